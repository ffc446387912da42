#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

/// The About box. Its logo closes the box asking for the program's help page: the result of
/// exec() is then HelpWanted, and the caller shows the help.
class FormAbout : public QDialog
{
    Q_OBJECT
public:
    enum Result
    {
        HelpWanted = QDialog::Accepted + 1
    };

    explicit FormAbout(QWidget *parent = nullptr);

    void OpenHelpPage();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLabel *Picture1 = nullptr;
};
