#pragma once

#include <QDialog>

#include <functional>
#include <memory>

class Messages;
class QLineEdit;

// The first start without TV.ini: the user names both databases (or creates a new
// reporting database) and the connection, and the dialog writes TV.ini in the
// home folder. Cancel writes nothing.
class SetupDialog : public QDialog
{
    Q_OBJECT
public:
    // Asks for a database file: an existing one, or with `newFile` a name for a
    // new one. Empty when the user cancels.
    using FileChooser = std::function<QString(const QString &caption, bool newFile)>;

    // Messages go to `messages`, or to message boxes over the dialog when null.
    explicit SetupDialog(const QString &settingsFile, Messages *messages = nullptr, QWidget *parent = nullptr);
    ~SetupDialog() override;

    // The file dialogs by default; the tests choose without one.
    void setFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }

    // TV.ini's contents for what the dialog shows.
    QByteArray settingsText() const;

public slots:
    void accept() override;

private slots:
    void chooseReportingDatabase();
    void chooseLokraDatabase();
    void createReportingDatabase();

private:
    bool checkDatabasePath(QLineEdit *edit, const QString &what);

    QString m_settingsFile;
    std::unique_ptr<Messages> m_ownMessages;
    Messages *m_messages;
    FileChooser m_chooseFile;
    QLineEdit *m_reportingPath;
    QLineEdit *m_lokraPath;
    QLineEdit *m_host;
    QLineEdit *m_user;
    QLineEdit *m_password;
};
