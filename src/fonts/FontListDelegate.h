#pragma once

#include <QFont>
#include <QHash>
#include <QStyledItemDelegate>

// Draws an entry of the font selection list: its tick box, then its name followed by " 0123" in
// the entry's own face, at the height the entry was given when it was added. A face that cannot
// draw its own name (symbol faces, faces of other scripts) has the name drawn in the list's font
// and only the sample in the face; a face without those digits shows four of its own characters
// instead.
class FontListDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    struct Style
    {
        bool bold = false;
        bool italic = false;
        bool underline = false;
        bool strikeout = false;
    };

    explicit FontListDelegate(QObject* parent = nullptr);

    void setEntryStyle(const Style& style)
    {
        m_style = style;
        m_fonts.clear();
    }
    const Style& entryStyle() const { return m_style; }

    // The font an entry is drawn in: its name as the face, point size 0, the style buttons' state.
    QFont entryFont(const QString& name) const;
    // Loads an entry's font ahead of its first paint, so that scrolling onto it costs little.
    void prepareFont(const QString& name) const;
    bool isPrepared(const QString& name) const { return m_fonts.contains(name); }
    // Whether the entry's face has every character of its name.
    bool drawsOwnName(const QString& name) const;
    // What follows the name, drawn in the entry's face: " 0123", or where the face lacks those
    // digits a space and four of its own characters.
    QString entrySample(const QString& name) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

private:
    QRect checkRect(const QStyleOptionViewItem& option) const;

    Style m_style;
    // Fonts of entries painted or prepared lately, kept so that their loaded faces stay cached.
    mutable QHash<QString, QFont> m_fonts;
    struct Shown
    {
        bool ownName = false;
        QString sample;
    };
    const Shown& shown(const QString& name) const;
    // Per name, what its face can show; read once from the face's character map, kept for the
    // whole run (a few bytes an entry).
    mutable QHash<QString, Shown> m_shown;
};
