#pragma once

#include <QString>
#include <string_view>

class QComboBox;
class QLabel;
class QWidget;

namespace store {
struct FieldSpec;
}

namespace pages {

class FieldBinding;

// Small pieces the pages share when they build their controls.

// A caption label in plain text (captions such as "< 10 tys" are not markup).
QLabel *captionLabel(std::string_view text, bool wrap = false);
QLabel *captionLabel(const QString &text, bool wrap = false);

// The control for a field of the page model: a numeric edit, a date picker, a
// combo box that takes no typing or a line edit with the field's limit. Named
// after the field and bound to it.
QWidget *makeControl(const store::FieldSpec &spec, FieldBinding &binding);

// Chains the controls' tab order in the order given.
void chainTabOrder(const QList<QWidget *> &controls);

} // namespace pages
