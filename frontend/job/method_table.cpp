#include "method_table.h"

namespace lumetra {
namespace {

// The settings a method may use: the job lines from the poles to the window.
bool isMethodSetting(record::Field f) {
    return f >= record::Field::npoles && f <= record::Field::window;
}

} // namespace

const QStringList& methodList() {
    static const QStringList list = [] {
        QStringList l{kMethodPlaceholder};
        for (const record::Method m : record::kFormOrder) {
            const std::string_view name = record::method_info(static_cast<int>(m))->form_name;
            l << QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
        }
        return l;
    }();
    return list;
}

const record::MethodInfo* methodByFormName(const QString& name) {
    const qsizetype i = methodList().indexOf(name);
    if (i < 1) return nullptr;
    return record::method_info(static_cast<int>(record::kFormOrder[static_cast<size_t>(i - 1)]));
}

bool methodUsesField(const QString& method, record::Field field) {
    if (!isMethodSetting(field)) return true;
    const record::MethodInfo* m = methodByFormName(method);
    return m && record::uses(m->settings, field);
}

QList<int> methodQuestions(const QString& method) {
    QList<int> used;
    for (const record::FieldInfo& f : record::kFields)
        if (isMethodSetting(f.field) && methodUsesField(method, f.field))
            used << record::question(f.field);
    return used;
}

} // namespace lumetra
