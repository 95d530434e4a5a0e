#include "app/Wait.h"

#include "ui_Wait.h"

#include <QCloseEvent>
#include <QCoreApplication>

TfrmWait::TfrmWait(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowStaysOnTopHint),
      m_ui(std::make_unique<Ui::TfrmWait>())
{
    m_ui->setupUi(this);
    setFixedSize(sizeHint().expandedTo(QSize(334, 31)));
}

TfrmWait::~TfrmWait() = default;

void TfrmWait::setMaximum(int maximum)
{
    m_ui->pbWait->setMaximum(maximum);
}

void TfrmWait::setPosition(int position)
{
    m_ui->pbWait->setValue(position);
    emit positionSet(position);
}

void TfrmWait::begin(int steps)
{
    setMaximum(steps);
    setPosition(0);
    show();
    // The reading lets no events through; the window is drawn once before it starts.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TfrmWait::advance(int position)
{
    setPosition(position);
}

void TfrmWait::end()
{
    finish();
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
