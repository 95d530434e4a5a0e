#pragma once

#include <functional>
#include <memory>
#include <QDialog>
#include <QElapsedTimer>

namespace Ui {
class TSelectFolder;
}
class QListWidgetItem;

// The folder picker: a drop-down of mounted volumes, the folder list of the chosen volume and,
// when offered, "Recurse sub-directories". Created once and reused, so what it shows carries over
// from one opening to the next within a run.
class TSelectFolder : public QDialog
{
    Q_OBJECT
public:
    explicit TSelectFolder(QWidget* parent = nullptr);
    ~TSelectFolder() override;

    // In: whether "Recurse sub-directories" is offered.
    bool ShowRecurse = false;
    // Out, set by OK: the box's state (only when offered), the picked folder's volume root and
    // its full path (a volume root keeps its trailing "/").
    bool Recurse = false;
    QString Drive;
    QString Directory;

    // Shows the dialog modally; true and the fields filled when the user pressed OK.
    bool Execute();

    // The folder open in the list, and opening another one (the list then shows it).
    QString openFolder() const { return m_folder; }
    void openFolder(const QString& path);

    // The mounted volumes offered: root paths, kernel pseudo file systems left out.
    static QStringList volumeRoots();

    // Tests answer Execute here instead of the modal loop: the hook may work the controls and
    // returns true for OK. An empty hook restores the modal loop.
    using ExecuteHook = std::function<bool(TSelectFolder& dialog)>;
    static void setExecuteHook(ExecuteHook hook);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormShow();
    void DriveComboBoxChange();
    void DirectoryListBoxDblClick(QListWidgetItem* item);
    // Typing in the folder list moves to the next folder whose name starts with what was typed.
    void typeAhead(const QString& text);
    void fillDrives();
    QString volumeOf(const QString& path) const;

    std::unique_ptr<Ui::TSelectFolder> m_ui;
    QString m_folder;
    QString m_typed;
    QElapsedTimer m_typedAt;
};
