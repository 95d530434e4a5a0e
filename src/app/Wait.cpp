#include "app/Wait.h"

#include "ui_Wait.h"

#include <QCloseEvent>

TfrmWait* frmWait = nullptr;

TfrmWait::TfrmWait(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowStaysOnTopHint),
      m_ui(std::make_unique<Ui::TfrmWait>())
{
    m_ui->setupUi(this);
    setFixedSize(sizeHint().expandedTo(QSize(334, 31)));
}

TfrmWait::~TfrmWait()
{
    if (frmWait == this)
        frmWait = nullptr;
}

void TfrmWait::setMaximum(int maximum)
{
    m_ui->pbWait->setMaximum(maximum);
}

void TfrmWait::setPosition(int position)
{
    m_ui->pbWait->setValue(position);
    emit positionSet(position);
}

void TfrmWait::reject() {}

void TfrmWait::finish()
{
    m_closing = true;
    close();
    m_closing = false;
}

void TfrmWait::closeEvent(QCloseEvent* event)
{
    if (m_closing)
        event->accept();
    else
        event->ignore();
}
