#include "proportional_resize.h"

#include <QHash>
#include <algorithm>

namespace lumetra {
namespace {

float fraction(double value, double whole) {
    return static_cast<float>(value / whole);
}

} // namespace

ControlKind controlKindForTypeName(const QString& typeName) {
    static const QHash<QString, ControlKind> kinds = {
        {QStringLiteral("CheckBox"), ControlKind::Text},
        {QStringLiteral("TextBox"), ControlKind::Text},
        {QStringLiteral("Label"), ControlKind::Text},
        {QStringLiteral("ListBox"), ControlKind::Text},
        {QStringLiteral("DriveListBox"), ControlKind::Text},
        {QStringLiteral("DirListBox"), ControlKind::Text},
        {QStringLiteral("FileListBox"), ControlKind::Text},
        {QStringLiteral("Frame"), ControlKind::Text},
        {QStringLiteral("ComboBox"), ControlKind::Text},
        {QStringLiteral("CommandButton"), ControlKind::Text},
        {QStringLiteral("OptionButton"), ControlKind::Text},
        {QStringLiteral("MSHFlexGrid"), ControlKind::Text},
        {QStringLiteral("PictureBox"), ControlKind::Picture},
        {QStringLiteral("SSTab"), ControlKind::TabControl},
        {QStringLiteral("HScrollBar"), ControlKind::HScrollBar},
        {QStringLiteral("VScrollBar"), ControlKind::VScrollBar},
        {QStringLiteral("Line"), ControlKind::Line},
        {QStringLiteral("CommonDialog"), ControlKind::Ignored},
        {QStringLiteral("Timer"), ControlKind::Ignored},
        {QStringLiteral("Menu"), ControlKind::Ignored},
        {QStringLiteral("ImageList"), ControlKind::Ignored},
    };
    return kinds.value(typeName, ControlKind::Other);
}

ResizeControls::Units ResizeControls::pixels(double twipsPerPixel) {
    const Units t = twips();
    return Units{t.minInnerWidth / twipsPerPixel, t.minInnerHeight / twipsPerPixel,
                 t.parkedLeftBelow / twipsPerPixel, t.parkOffset / twipsPerPixel};
}

ResizeControls::ResizeControls(Units units) : units_(units) {}

double ResizeControls::recordLeft(double left) const {
    return left < units_.parkedLeftBelow ? left + units_.parkOffset : left;
}

double ResizeControls::applyLeft(float f, double innerWidth, double presentLeft) const {
    const double left = static_cast<double>(f) * innerWidth;
    return presentLeft < units_.parkedLeftBelow ? left - units_.parkOffset : left;
}

void ResizeControls::record(QSizeF inner, const std::vector<ControlState>& controls) {
    const std::size_t n = controls.size();
    kinds_.assign(n, ControlKind::Ignored);
    a_.assign(n, 0.0f);
    b_.assign(n, 0.0f);
    c_.assign(n, 0.0f);
    d_.assign(n, 0.0f);
    e_.assign(n, 0.0f);
    recorded_ = false;
    const double w = inner.width();
    const double h = inner.height();
    // Fractions of an empty area mean nothing; such a form is not recorded.
    if (!(w > 0) || !(h > 0)) return;
    for (std::size_t i = 0; i < n; ++i) {
        const ControlState& c = controls[i];
        kinds_[i] = c.kind;
        switch (c.kind) {
        case ControlKind::Text:
        case ControlKind::Picture:
            a_[i] = fraction(c.top, h);
            b_[i] = fraction(recordLeft(c.left), w);
            c_[i] = fraction(c.width, w);
            d_[i] = fraction(c.height, h);
            if (c.kind == ControlKind::Text) e_[i] = fraction(c.textSize, h);
            break;
        case ControlKind::TabControl:
            a_[i] = fraction(c.tabStripHeight, h);
            b_[i] = fraction(c.widestTab, w);
            c_[i] = fraction(c.width, w);
            d_[i] = fraction(c.height, h);
            e_[i] = fraction(c.textSize, h);
            break;
        case ControlKind::HScrollBar:
            a_[i] = fraction(c.top, h);
            b_[i] = fraction(recordLeft(c.left), w);
            c_[i] = fraction(c.width, w);
            break;
        case ControlKind::VScrollBar:
            a_[i] = fraction(c.top, h);
            b_[i] = fraction(recordLeft(c.left), w);
            c_[i] = fraction(c.height, h);
            break;
        case ControlKind::Line:
            a_[i] = fraction(c.x1, w);
            b_[i] = fraction(c.x2, w);
            c_[i] = fraction(c.y1, h);
            d_[i] = fraction(c.y2, h);
            break;
        case ControlKind::Ignored:
            break;
        case ControlKind::Other:
            a_[i] = fraction(c.top, h);
            b_[i] = fraction(recordLeft(c.left), w);
            break;
        }
    }
    recorded_ = true;
}

bool ResizeControls::canApply(QSizeF inner) const {
    return recorded_ && inner.width() >= units_.minInnerWidth &&
           inner.height() >= units_.minInnerHeight;
}

std::vector<ControlState> ResizeControls::apply(QSizeF inner,
                                                const std::vector<ControlState>& present) const {
    std::vector<ControlState> out = present;
    if (!canApply(inner)) return out;
    const double w = inner.width();
    const double h = inner.height();
    const std::size_t n = std::min(out.size(), kinds_.size());
    // Always from the recorded fractions, never from the present values: no drift.
    for (std::size_t i = 0; i < n; ++i) {
        ControlState& c = out[i];
        switch (kinds_[i]) {
        case ControlKind::Text:
        case ControlKind::Picture:
            c.top = a_[i] * h;
            c.left = applyLeft(b_[i], w, present[i].left);
            c.width = c_[i] * w;
            c.height = d_[i] * h;
            if (kinds_[i] == ControlKind::Text && units_.textFollowsHeight) c.textSize = e_[i] * h;
            break;
        case ControlKind::TabControl:
            c.tabStripHeight = a_[i] * h;
            c.widestTab = b_[i] * w;
            c.width = c_[i] * w;
            c.height = d_[i] * h;
            if (units_.textFollowsHeight) c.textSize = e_[i] * h;
            break;
        case ControlKind::HScrollBar:
            c.top = a_[i] * h;
            c.left = applyLeft(b_[i], w, present[i].left);
            c.width = c_[i] * w;
            break;
        case ControlKind::VScrollBar:
            c.top = a_[i] * h;
            c.left = applyLeft(b_[i], w, present[i].left);
            c.height = c_[i] * h;
            break;
        case ControlKind::Line:
            c.x1 = a_[i] * w;
            c.x2 = b_[i] * w;
            c.y1 = c_[i] * h;
            c.y2 = d_[i] * h;
            break;
        case ControlKind::Ignored:
            break;
        case ControlKind::Other:
            c.top = a_[i] * h;
            c.left = applyLeft(b_[i], w, present[i].left);
            break;
        }
    }
    return out;
}

} // namespace lumetra
