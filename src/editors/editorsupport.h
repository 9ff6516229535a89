#pragma once

#include <QAbstractItemView>
#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QWidget>

// Message boxes and small helpers shared by the two table editors.
namespace EditorSupport {

// Plain message with an OK button under the program's title.
inline void message(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Pontavel"), text, QMessageBox::Ok, parent);
    box.exec();
}

// "Etes vous sûr ?" with Yes and No under `title`; true only for Yes.
inline bool confirm(QWidget *parent, const QString &title)
{
    QMessageBox box(QMessageBox::Question, title, QStringLiteral("Etes vous sûr ?"),
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

inline void dataError(QWidget *parent, const QString &description)
{
    message(parent, QStringLiteral("Data error event hit err:") + description);
}

// Text of a stored field; a field without a value is not equal to any text.
inline bool sameText(const QString &box, const QVariant &field)
{
    return field.isValid() && !field.isNull() && box == field.toString();
}

inline QString fieldText(const QVariant &field)
{
    return field.isNull() ? QString() : field.toString();
}

// The grid's column captions, one per field of the table shown.
template <size_t N>
QStringList captions(const char *const (&texts)[N])
{
    QStringList out;
    for (const char *t : texts)
        out << QString::fromUtf8(t);
    return out;
}

// Closing an editor gives the whole program its default arrow back.
inline void restoreArrow()
{
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

} // namespace EditorSupport
