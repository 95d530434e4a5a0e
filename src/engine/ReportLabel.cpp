#include "engine/ReportLabel.h"

#include "engine/PageSetup.h"
#include "engine/TextLayout.h"

#include <cmath>

void ReportLabel::setText(const QString& text)
{
    m_text = text;
    textOrFontChanged();
}

void ReportLabel::setFont(const QFont& font)
{
    m_font = font;
    textOrFontChanged();
}

void ReportLabel::setAutoSize(bool on)
{
    m_autoSize = on;
    if (on)
        fitTo(m_text);
}

void ReportLabel::textOrFontChanged()
{
    m_height = qMax(m_height, lineHeight());
    if (m_autoSize)
        fitTo(m_text);
}

QString ReportLabel::printedText(const QString& dateTime, int pageNumber) const
{
    switch (m_data) {
    case SystemData::DateTime:
        return m_text + dateTime;
    case SystemData::PageNumber:
        return m_text + QString::number(pageNumber);
    case SystemData::None:
        break;
    }
    return m_text;
}

QFont ReportLabel::layoutFont() const
{
    QFont font = m_font;
    if (font.pixelSize() <= 0) {
        const double points = font.pointSizeF() > 0 ? font.pointSizeF() : 10.0;
        font.setPixelSize(qMax(1, int(std::lround(points * PageSetup::unitsPerInch / 72.0))));
    }
    return font;
}

int ReportLabel::lineHeight() const
{
    return TextShaper::metrics(layoutFont()).height();
}

int ReportLabel::neededHeight(const QString& text) const
{
    if (!m_wordWrap && !text.contains(QLatin1Char('\n')))
        return lineHeight();
    // Several lines are measured as they are drawn, with the leading between them.
    const int wrap = m_wordWrap ? int(Qt::TextWordWrap) : 0;
    return TextShaper::layOut(layoutFont(), text, qMax(1, m_width), int(m_alignment) | wrap)
        ->height;
}

int ReportLabel::textWidth(const QString& text) const
{
    return int(std::ceil(TextShaper::layOut(layoutFont(), text, 1 << 20, 0)->width));
}

void ReportLabel::fitTo(const QString& text)
{
    const int width = textWidth(text);
    if (m_alignment & Qt::AlignRight)
        m_left = right() - width;
    m_width = width;
}
