#pragma once

#include <memory>

#include <QTemporaryDir>
#include <QWidget>

class Database;
class QComboBox;
class QLabel;
class QPushButton;
class WebFormBackend;
class WebFormServer;
struct Services;

// The management window's tab "网上填报": the teacher opens the web form of a
// class on the school network and sees its address, class code, QR code (to
// print for the classroom wall) and certificate fingerprint, and how many
// records came in; 审核… opens the review. The form stays open while this
// window object lives (the teacher may close the window meanwhile), until
// 结束网上填报, a change of class, the end of the program or midnight.
// Used from the user-interface thread only.
class WebFormTab final : public QWidget
{
    Q_OBJECT

public:
    WebFormTab(Database &db, Services &services, QWidget *parent = nullptr);
    ~WebFormTab() override;

    // The class tables to choose from, the class of this run preselected.
    void setClasses(const QStringList &tables, const QString &classOfThisRun);

    WebFormServer *server() const { return m_server.get(); }
    QPushButton *openButton() const { return m_open; }
    QPushButton *reviewButton() const { return m_review; }

signals:
    // A review wrote into a class table.
    void classChanged();

private:
    void openForm();
    void closeForm();
    void showState();
    void review();
    void printCode();

    Database &m_db;
    Services &m_services;
    std::unique_ptr<WebFormBackend> m_backend;
    std::unique_ptr<WebFormServer> m_server;
    QString m_table;
    QComboBox *m_classes;
    QPushButton *m_open;
    QPushButton *m_close;
    QLabel *m_qr;
    QLabel *m_details;
    QLabel *m_count;
    QPushButton *m_print;
    QPushButton *m_review;
    std::unique_ptr<QTemporaryDir> m_printFolder;
};
