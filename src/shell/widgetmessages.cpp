#include "widgetmessages.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

namespace {
QString boxText(QString text)
{
    // The program writes "\r" as its line break.
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}
} // namespace

WidgetMessages::WidgetMessages(QWidget *parent) : m_parent(parent) {}

template <typename F>
auto WidgetMessages::onUiThread(F &&f) -> decltype(f())
{
    using R = decltype(f());
    if (QThread::currentThread() == qApp->thread()) {
        return f();
    }
    R result{};
    if (m_shutDown)
        return result;
    QMetaObject::invokeMethod(
        qApp,
        [&] {
            if (!m_shutDown)
                result = f();
        },
        Qt::BlockingQueuedConnection);
    return result;
}

void WidgetMessages::showWarning(const QString &text, const QString &caption)
{
    onUiThread([&] { return QMessageBox::warning(m_parent, caption, boxText(text)); });
}

void WidgetMessages::showError(const QString &text, const QString &caption)
{
    onUiThread([&] { return QMessageBox::critical(m_parent, caption, boxText(text)); });
}

void WidgetMessages::showInformation(const QString &text, const QString &caption)
{
    onUiThread([&] { return QMessageBox::information(m_parent, caption, boxText(text)); });
}

bool WidgetMessages::askYesNo(const QString &text, const QString &caption)
{
    return onUiThread([&] {
        QMessageBox box(QMessageBox::Question, caption, boxText(text), QMessageBox::Yes | QMessageBox::No, m_parent);
        box.button(QMessageBox::Yes)->setText(QStringLiteral("Tak"));
        box.button(QMessageBox::No)->setText(QStringLiteral("Nie"));
        return box.exec() == QMessageBox::Yes;
    });
}

Messages::Answer WidgetMessages::askYesNoCancel(const QString &text, const QString &caption)
{
    return onUiThread([&] {
        QMessageBox box(QMessageBox::Question, caption, boxText(text),
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, m_parent);
        box.button(QMessageBox::Yes)->setText(QStringLiteral("Tak"));
        box.button(QMessageBox::No)->setText(QStringLiteral("Nie"));
        box.button(QMessageBox::Cancel)->setText(QStringLiteral("Anuluj"));
        box.setDefaultButton(QMessageBox::Cancel);
        switch (box.exec()) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            return Answer::Cancel;
        }
    });
}
