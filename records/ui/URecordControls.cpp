#include "URecordControls.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace cornix::records {

namespace {

constexpr char kMaskTextProperty[] = "cornixMaskText";

bool typedSomething(const QLineEdit *edit)
{
    for (const QChar c : edit->text())
        if (c.isLetterOrNumber())
            return true;
    return false;
}

QString maskedText(const QLineEdit *edit)
{
    if (!typedSomething(edit))
        return {};
    if (edit->property(kMaskTextProperty).toInt() == int(MaskText::BareDigits)) {
        QString digits;
        for (const QChar c : edit->text())
            if (c.isDigit())
                digits += c;
        return digits;
    }
    // The blank character stands for an unfilled place: it reads as a blank.
    const QString mask = edit->inputMask();
    const int separator = int(mask.lastIndexOf(QLatin1Char(';')));
    const QChar blank = separator >= 0 && separator + 1 < mask.size() ? mask[separator + 1] : QChar(u' ');
    QString shown = edit->displayText();
    shown.replace(blank, QLatin1Char(' '));
    return shown;
}

} // namespace

void SetMask(QLineEdit *edit, const QString &inputMask, MaskText text)
{
    edit->setInputMask(inputMask);
    edit->setProperty(kMaskTextProperty, int(text));
}

QString ControlText(const QWidget *control)
{
    if (const auto *edit = qobject_cast<const QLineEdit *>(control))
        return edit->inputMask().isEmpty() ? edit->text() : maskedText(edit);
    if (const auto *list = qobject_cast<const QComboBox *>(control))
        return list->currentIndex() < 0 ? QString() : list->currentText();
    if (const auto *memo = qobject_cast<const QPlainTextEdit *>(control))
        return memo->toPlainText();
    return {};
}

void SetControlText(QWidget *control, const QString &value)
{
    if (auto *edit = qobject_cast<QLineEdit *>(control)) {
        edit->setText(value);
    } else if (auto *list = qobject_cast<QComboBox *>(control)) {
        if (value.isEmpty()) {
            list->setCurrentIndex(-1);
            return;
        }
        int item = list->findText(value, Qt::MatchFixedString | Qt::MatchCaseSensitive);
        if (item < 0) {
            list->addItem(value);
            item = list->count() - 1;
        }
        list->setCurrentIndex(item);
    } else if (auto *memo = qobject_cast<QPlainTextEdit *>(control)) {
        memo->setPlainText(value);
    }
}

void ClearControl(QWidget *control)
{
    if (auto *edit = qobject_cast<QLineEdit *>(control))
        edit->clear();
    else if (auto *list = qobject_cast<QComboBox *>(control))
        list->setCurrentIndex(-1);
    else if (auto *memo = qobject_cast<QPlainTextEdit *>(control))
        memo->clear();
}

} // namespace cornix::records
