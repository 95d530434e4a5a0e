#pragma once

#include "fonts/FontListDelegate.h"

#include <QListView>

class FontListModel;
class QSortFilterProxyModel;
class QTimer;

// The font selection list: one entry per font name with a tick, each drawn in its own face at a
// height measured once, when the entry was added, in the style that was current then. A filter
// can narrow what is shown; entries, ticks and indexes below always mean every entry.
class FontCheckList : public QListView
{
    Q_OBJECT
public:
    using Style = FontListDelegate::Style;

    explicit FontCheckList(QWidget* parent = nullptr);

    // Empties the list, then adds every name unticked.
    void fill(const QStringList& names);
    // Adds an entry at its sorted place (after entries of an equal name); returns its index.
    int addEntry(const QString& name, bool checked);
    // Removes the first entry bearing the name, letter case ignored; false when there is none.
    bool removeFirst(const QString& name);
    // The index of the first entry bearing the name, letter case ignored, or -1.
    int indexOf(const QString& name) const;

    int count() const;
    QString name(int index) const;
    bool isChecked(int index) const;
    void setChecked(int index, bool checked);
    void setAllChecked(bool checked);
    void invertAll();
    // The height the entry was given when it was added.
    int entryHeight(int index) const;
    // The entry under a point of the viewport, or -1 (below the last entry there is none).
    int entryAt(const QPoint& viewportPos) const;
    // The entry a row of the view shows, or -1; and the view's row of an entry, invalid while
    // the filter hides it.
    int entryOf(const QModelIndex& viewIndex) const;
    QModelIndex viewIndexOf(int entry) const;

    // Shows only the entries whose name contains the text, letter case ignored; an empty text
    // shows every entry.
    void setFilterText(const QString& text);
    QString filterText() const { return m_filterText; }
    // How many entries the filter lets through.
    int shownCount() const;

    // The style entries are drawn in, and new entries are measured in. Changing it repaints the
    // list; the heights of existing entries stay.
    void setEntryStyle(const Style& style);
    Style entryStyle() const;

    FontListModel* fontModel() const { return m_model; }

signals:
    // After every mouse click in the list, once a click on a tick box has toggled it; also after
    // the space key toggled a tick.
    void listClicked();
    // The pointer moved over the list; the point is in viewport coordinates.
    void pointerMoved(const QPoint& viewportPos);
    // The pop-up menu is wanted at a point of the screen: by the mouse, or by the keyboard (the
    // Menu key or Shift+F10), which has no pointer and means the current entry.
    void menuRequested(const QPoint& globalPos, bool byKeyboard);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

    void scrollContentsBy(int dx, int dy) override;
    void showEvent(QShowEvent* event) override;

private:
    // Where a menu asked for by the keyboard opens: below the current entry, else at the top.
    QPoint keyboardMenuPos() const;
    int measure(const QString& name) const;
    // Loads, while the program is idle, the fonts of the page above and the page below the
    // visible entries, so that paging onto them does not wait for each face to load.
    void schedulePrefetch();
    void prefetch();

    FontListModel* m_model;
    QSortFilterProxyModel* m_shown;
    QString m_filterText;
    FontListDelegate* m_delegate;
    QTimer* m_prefetch;
};
