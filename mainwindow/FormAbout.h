#pragma once

#include <QDialog>
#include <QUrl>

#include <functional>

class QLabel;
class QPushButton;

/// The About box. Its logo opens the home page through `openUrl` (the desktop's browser in
/// the program, a recorder in tests).
class FormAbout : public QDialog
{
    Q_OBJECT
public:
    static const QUrl kHomePage;

    FormAbout(std::function<void(const QUrl &)> openUrl, QWidget *parent = nullptr);

    void OpenHomePage();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::function<void(const QUrl &)> m_openUrl;
    QLabel *Picture1 = nullptr;
};
