#pragma once

#include "common/messages.h"

#include <QPointer>
#include <QWidget>

#include <atomic>

// Message boxes of the window. Calls from another thread (the start-up task) are
// carried out on the user-interface thread, one at a time, and wait for the user.
class WidgetMessages : public Messages
{
public:
    explicit WidgetMessages(QWidget *parent);
    void showWarning(const QString &text, const QString &caption) override;
    void showError(const QString &text, const QString &caption) override;
    void showInformation(const QString &text, const QString &caption) override;
    bool askYesNo(const QString &text, const QString &caption) override;
    Answer askYesNoCancel(const QString &text, const QString &caption) override;

    // After this, boxes asked for from another thread are no longer shown.
    void shutDown() { m_shutDown = true; }

private:
    template <typename F>
    auto onUiThread(F &&f) -> decltype(f());

    QPointer<QWidget> m_parent;
    std::atomic<bool> m_shutDown{false};
};
