#include "FormAbout.h"

#include "Logo.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

namespace {

QLabel *label(QWidget *parent, const char *name, const QString &text)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

} // namespace

FormAbout::FormAbout(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormAbout"));
    setWindowTitle(tr("About"));
    setModal(true);

    Picture1 = label(this, "Picture1", QString());
    Picture1->setPixmap(productLogo(64));
    Picture1->setCursor(Qt::PointingHandCursor);
    Picture1->setToolTip(tr("Open the help"));
    Picture1->installEventFilter(this);
    QLabel *Picture3 = label(this, "Picture3", QString());
    Picture3->setPixmap(decorativeWave(260, 28));

    QLabel *Label1 = label(this, "Label1", tr("Vorn Audio Cutter"));
    QFont title = Label1->font();
    title.setBold(true);
    title.setPointSizeF(title.pointSizeF() * 1.4);
    Label1->setFont(title);
    QLabel *Label2 = label(this, "Label2", tr("Version 3.0"));
    QLabel *Label3 = label(this, "Label3",
                           tr("Copyright (C) Vorn Media.\n"
                              "Free software under the GNU General Public License, version 3 or\n"
                              "later (GPL-3.0-or-later). It comes with no warranty."));

    auto *CmdOK = new QPushButton(tr("OK"), this);
    CmdOK->setObjectName(QStringLiteral("CmdOK"));
    CmdOK->setDefault(true);
    connect(CmdOK, &QPushButton::clicked, this, &QDialog::accept);

    auto *grid = new QGridLayout(this);
    grid->addWidget(Picture1, 0, 0, 3, 1, Qt::AlignTop);
    grid->addWidget(Label1, 0, 1);
    grid->addWidget(Label2, 1, 1);
    grid->addWidget(Label3, 2, 1);
    grid->addWidget(Picture3, 3, 0, 1, 2);
    grid->addWidget(CmdOK, 4, 1, Qt::AlignRight);
    setAttribute(Qt::WA_DeleteOnClose, false);
}

bool FormAbout::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Picture1 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        OpenHelpPage();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void FormAbout::OpenHelpPage()
{
    done(HelpWanted);
}
