#include "form_resizer.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QGraphicsView>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollArea>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <algorithm>

namespace lumetra {
namespace {

// Inner parts of Qt's composite widgets that are not controls of the form.
bool skippedInternal(const QString& name) {
    return name == u"qt_tabwidget_tabbar" || name == u"qt_scrollarea_hcontainer" ||
           name == u"qt_scrollarea_vcontainer";
}

// Widgets whose children are their own business.
bool isComposite(const QWidget* w) {
    return qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
           qobject_cast<const QLineEdit*>(w) || qobject_cast<const QTabBar*>(w) ||
           qobject_cast<const QAbstractSlider*>(w) || qobject_cast<const QTextEdit*>(w) ||
           qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QAbstractItemView*>(w) ||
           qobject_cast<const QMenuBar*>(w);
}

void collect(QWidget* parent, QList<QWidget*>& out) {
    for (QObject* o : parent->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || w->isWindow()) continue;
        const QString name = w->objectName();
        if (skippedInternal(name)) continue;
        // Qt's own containers (a scroll area's viewport, a tab widget's page stack) are passed
        // through to the controls inside them.
        if (!name.startsWith(u"qt_")) out << w;
        if (!isComposite(w)) collect(w, out);
    }
}

bool layoutContains(QLayout* layout, QWidget* w) {
    if (!layout) return false;
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (!item) continue;
        if (item->widget() == w) return true;
        if (layoutContains(item->layout(), w)) return true;
    }
    return false;
}

int px(double v) {
    return qRound(v);
}

} // namespace

FormResizer::FormResizer(QWidget* form, ResizeControls::Units units) : form_(form), model_(units) {}

QList<QWidget*> FormResizer::controlsOf(QWidget* form) {
    QList<QWidget*> out;
    if (form) collect(form, out);
    return out;
}

ControlKind FormResizer::kindOf(const QWidget* w) {
    const QVariant type = w->property(kResizeTypeProperty);
    if (type.isValid()) return controlKindForTypeName(type.toString());
    if (w->isWindow() || qobject_cast<const QMenu*>(w) || qobject_cast<const QMenuBar*>(w))
        return ControlKind::Ignored;
    if (qobject_cast<const QTabWidget*>(w)) return ControlKind::TabControl;
    if (const auto* s = qobject_cast<const QAbstractSlider*>(w))
        return s->orientation() == Qt::Horizontal ? ControlKind::HScrollBar
                                                  : ControlKind::VScrollBar;
    if (w->metaObject() == &QFrame::staticMetaObject) {
        const auto shape = static_cast<const QFrame*>(w)->frameShape();
        if (shape == QFrame::HLine || shape == QFrame::VLine) return ControlKind::Line;
        return ControlKind::Picture;
    }
    if (qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QLineEdit*>(w) ||
        qobject_cast<const QLabel*>(w) || qobject_cast<const QAbstractItemView*>(w) ||
        qobject_cast<const QGroupBox*>(w) || qobject_cast<const QComboBox*>(w) ||
        qobject_cast<const QTextEdit*>(w) || qobject_cast<const QPlainTextEdit*>(w) ||
        qobject_cast<const QAbstractSpinBox*>(w) || qobject_cast<const QProgressBar*>(w))
        return ControlKind::Text;
    if (w->metaObject() == &QWidget::staticMetaObject || qobject_cast<const QScrollArea*>(w) ||
        qobject_cast<const QGraphicsView*>(w) || qobject_cast<const QStackedWidget*>(w) ||
        qobject_cast<const QSplitter*>(w))
        return ControlKind::Picture;
    return ControlKind::Other;
}

bool FormResizer::placedByContainer(const QWidget* w) {
    QWidget* p = w->parentWidget();
    if (!p || w->isWindow()) return true;
    if (layoutContains(p->layout(), const_cast<QWidget*>(w))) return true;
    return qobject_cast<QMainWindow*>(p) || qobject_cast<QStackedWidget*>(p) ||
           qobject_cast<QSplitter*>(p) || p->objectName() == u"qt_scrollarea_viewport";
}

QSize FormResizer::innerSize() const {
    return form_ ? form_->contentsRect().size() : QSize();
}

ControlState FormResizer::stateOf(const QWidget* w, ControlKind kind, bool pixelFont) const {
    ControlState s;
    s.kind = kind;
    const QRect g = w->geometry();
    s.left = g.x();
    s.top = g.y();
    s.width = g.width();
    s.height = g.height();
    s.x1 = g.x();
    s.x2 = g.x() + g.width();
    s.y1 = g.y();
    s.y2 = g.y() + g.height();
    if (const auto* tabs = qobject_cast<const QTabWidget*>(w)) {
        const QTabBar* bar = tabs->tabBar();
        s.tabStripHeight = bar->height();
        for (int i = 0; i < bar->count(); ++i)
            s.widestTab = std::max<double>(s.widestTab, bar->tabRect(i).width());
    }
    if (kind == ControlKind::Text || kind == ControlKind::TabControl)
        s.textSize = pixelFont ? w->font().pixelSize() : w->font().pointSizeF();
    return s;
}

void FormResizer::write(QWidget* w, const ControlState& s, bool pixelFont) const {
    // Geometry a container owns is refused, as a control refuses a property; the pass goes on.
    const bool placed = placedByContainer(w);
    switch (s.kind) {
    case ControlKind::Text:
    case ControlKind::Picture:
        if (!placed) w->setGeometry(px(s.left), px(s.top), px(s.width), px(s.height));
        break;
    case ControlKind::TabControl:
        // Qt measures the tab strip from the font, which follows below.
        if (!placed) w->resize(px(s.width), px(s.height));
        break;
    case ControlKind::HScrollBar:
        if (!placed) w->setGeometry(px(s.left), px(s.top), px(s.width), w->height());
        break;
    case ControlKind::VScrollBar:
        if (!placed) w->setGeometry(px(s.left), px(s.top), w->width(), px(s.height));
        break;
    case ControlKind::Line:
        if (!placed) w->setGeometry(px(s.x1), px(s.y1), px(s.x2) - px(s.x1), px(s.y2) - px(s.y1));
        break;
    case ControlKind::Ignored:
        break;
    case ControlKind::Other:
        if (!placed) w->move(px(s.left), px(s.top));
        break;
    }
    if ((s.kind == ControlKind::Text || s.kind == ControlKind::TabControl) && s.textSize > 0) {
        QFont f = w->font();
        if (pixelFont)
            f.setPixelSize(std::max(1, px(s.textSize)));
        else
            f.setPointSizeF(s.textSize);
        w->setFont(f);
    }
}

void FormResizer::record() {
    controls_.clear();
    kinds_.clear();
    pixelFonts_.clear();
    std::vector<ControlState> states;
    for (QWidget* w : controlsOf(form_)) {
        const ControlKind kind = kindOf(w);
        const bool pixelFont = !(w->font().pointSizeF() > 0);
        controls_ << w;
        kinds_ << kind;
        pixelFonts_ << pixelFont;
        states.push_back(stateOf(w, kind, pixelFont));
    }
    model_.record(innerSize(), states);
}

bool FormResizer::apply() {
    if (!form_) return false;
    const QSize inner = innerSize();
    if (!model_.canApply(inner)) return false;
    std::vector<ControlState> present;
    present.reserve(controls_.size());
    for (qsizetype i = 0; i < controls_.size(); ++i) {
        if (controls_[i])
            present.push_back(stateOf(controls_[i], kinds_[i], pixelFonts_[i]));
        else
            present.push_back(ControlState{kinds_[i]});
    }
    const std::vector<ControlState> next = model_.apply(inner, present);
    for (qsizetype i = 0; i < controls_.size(); ++i)
        if (controls_[i]) write(controls_[i], next[static_cast<std::size_t>(i)], pixelFonts_[i]);
    return true;
}

QList<QWidget*> FormResizer::controls() const {
    QList<QWidget*> out;
    for (const auto& w : controls_) out << w.data();
    return out;
}

} // namespace lumetra
