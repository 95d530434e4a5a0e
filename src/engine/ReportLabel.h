#pragma once

#include <QFont>
#include <QRect>
#include <QString>

// A label on a report band. Position and size are in layout units of 1/96 inch, relative to the
// band. The font is kept as given (points); the engine draws it at 96 units per inch.
class ReportLabel
{
public:
    // A system-data label shows a value of the run instead of its text.
    enum class SystemData { None, DateTime, PageNumber };

    explicit ReportLabel(SystemData data = SystemData::None) : m_data(data) {}

    SystemData systemData() const { return m_data; }

    const QString& text() const { return m_text; }
    // Changing text or font grows the height to at least one text line and re-sizes an
    // auto-size label.
    void setText(const QString& text);
    const QFont& font() const { return m_font; }
    void setFont(const QFont& font);

    int left() const { return m_left; }
    int top() const { return m_top; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    int right() const { return m_left + m_width; }
    void setLeft(int left) { m_left = left; }
    void setTop(int top) { m_top = top; }
    void setWidth(int width) { m_width = width; }
    void setHeight(int height) { m_height = height; }
    QRect geometry() const { return {m_left, m_top, m_width, m_height}; }

    Qt::Alignment alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment alignment) { m_alignment = alignment; }
    bool autoSize() const { return m_autoSize; }
    void setAutoSize(bool on);
    bool wordWrap() const { return m_wordWrap; }
    void setWordWrap(bool on) { m_wordWrap = on; }
    bool autoStretch() const { return m_autoStretch; }
    void setAutoStretch(bool on) { m_autoStretch = on; }
    Qt::Edges frame() const { return m_frame; }
    void setFrame(Qt::Edges sides) { m_frame = sides; }
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool on) { m_enabled = on; }
    // A saved document's outline gets an entry of this title for each place the label is printed;
    // none when empty.
    const QString& bookmark() const { return m_bookmark; }
    void setBookmark(const QString& title) { m_bookmark = title; }

    // The text as printed: for system-data labels the value of the run.
    QString printedText(const QString& dateTime, int pageNumber) const;

    // The font at 96 units per inch as the engine measures and draws it.
    QFont layoutFont() const;
    // Height of one text line of the font, in layout units.
    int lineHeight() const;
    // Height the text needs at the label's width, wrapping when word wrap is on.
    int neededHeight(const QString& text) const;
    // Width of the widest line of the text.
    int textWidth(const QString& text) const;
    // Sizes an auto-size label to the text, keeping its right edge when it is right-justified.
    void fitTo(const QString& text);

private:
    void textOrFontChanged();

    SystemData m_data;
    QString m_text;
    QFont m_font;
    int m_left = 0;
    int m_top = 0;
    int m_width = 65;
    int m_height = 17;
    Qt::Alignment m_alignment = Qt::AlignLeft;
    bool m_autoSize = false;
    bool m_wordWrap = false;
    bool m_autoStretch = false;
    Qt::Edges m_frame;
    bool m_enabled = true;
    QString m_bookmark;
};
