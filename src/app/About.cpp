#include "app/About.h"

#include "ui/DrawnPicture.h"
#include "ui_About.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

namespace {

// The picture: a stack of type samples, drawn rather than shipped as a file.
QPixmap aboutPicture(QSize size, const QFont& base, qreal devicePixelRatio)
{
    QPixmap picture = DrawnPicture::canvas(size, devicePixelRatio);
    const QRect area(QPoint(0, 0), size);
    picture.fill(QColor(0x23, 0x3d, 0x5c));
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font = base;
    font.setBold(true);
    font.setPixelSize(size.height() * 3 / 5);
    painter.setFont(font);
    painter.setPen(QColor(0xf2, 0xc1, 0x4e));
    painter.drawText(area.adjusted(0, 0, -size.width() / 5, 0), Qt::AlignCenter,
                     QStringLiteral("Aa"));
    font.setBold(false);
    font.setItalic(true);
    font.setPixelSize(size.height() / 3);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(area.adjusted(size.width() / 2, size.height() / 2, 0, 0), Qt::AlignCenter,
                     QStringLiteral("g"));
    return picture;
}

} // namespace

TfrmAbout::TfrmAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_ui(std::make_unique<Ui::TfrmAbout>())
{
    m_ui->setupUi(this);
    DrawnPicture::install(m_ui->picture, [size = m_ui->picture->minimumSize(),
                                          base = font()](qreal devicePixelRatio) {
        return aboutPicture(size, base, devicePixelRatio);
    });
    m_ui->Label1->setText(webPage().toString());
    m_ui->Label6->setText(mailAddress().path());
    for (QLabel* link : {m_ui->Label1, m_ui->Label6})
        link->installEventFilter(this);
    applyColours();
    m_ui->okBtn->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    connect(m_ui->okBtn, &QPushButton::clicked, this, &QDialog::accept);
    setFixedSize(sizeHint().expandedTo(QSize(366, 230)));
}

TfrmAbout::~TfrmAbout() = default;

void TfrmAbout::setCaption(const QString& caption)
{
    m_ui->lblCaption->setText(caption);
}

// The links in the highlight colour, the acknowledgement on the window's ground: set again at
// every change of theme, as colours set on a control stay as they were set.
void TfrmAbout::applyColours()
{
    const QPalette own = palette();
    for (QLabel* link : {m_ui->Label1, m_ui->Label6}) {
        QPalette colours = link->palette();
        colours.setColor(QPalette::WindowText, own.color(QPalette::Highlight));
        link->setPalette(colours);
    }
    QPalette memo = m_ui->mAcknowledgement->palette();
    memo.setColor(QPalette::Base, own.color(QPalette::Window));
    m_ui->mAcknowledgement->setPalette(memo);
}

void TfrmAbout::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        applyColours();
}

QUrl TfrmAbout::webPage()
{
    return QUrl(QStringLiteral("https://typovex.example.org/"));
}

QUrl TfrmAbout::mailAddress()
{
    return QUrl(QStringLiteral("mailto:author@typovex.example.org"));
}

void TfrmAbout::Label1Click()
{
    QDesktopServices::openUrl(webPage());
}

void TfrmAbout::Label6Click()
{
    QDesktopServices::openUrl(mailAddress());
}

bool TfrmAbout::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == m_ui->Label1) {
            Label1Click();
            return true;
        }
        if (watched == m_ui->Label6) {
            Label6Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
