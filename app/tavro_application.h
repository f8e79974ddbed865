#pragma once

#include <QApplication>

class Messages;

// QApplication that shows a failure escaping an event handler in the
// application-wide error box instead of ending the program.
class TavroApplication final : public QApplication
{
public:
    TavroApplication(int &argc, char **argv) : QApplication(argc, argv) {}
    void setMessages(Messages *messages) { m_messages = messages; }
    bool notify(QObject *receiver, QEvent *event) override;

private:
    Messages *m_messages = nullptr;
};
