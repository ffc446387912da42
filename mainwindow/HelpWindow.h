#pragma once

#include <QWidget>

class QTextBrowser;

/// The program's help page in a window of its own.
class HelpWindow : public QWidget
{
    Q_OBJECT
public:
    explicit HelpWindow(const QString &page, QWidget *parent = nullptr);
    QString source() const;

private:
    QTextBrowser *m_browser = nullptr;
};
