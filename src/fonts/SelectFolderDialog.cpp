#include "fonts/SelectFolderDialog.h"

#include "ui_SelectFolderDialog.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <QStyle>

namespace {

TSelectFolder::ExecuteHook& executeHook()
{
    static TSelectFolder::ExecuteHook hook;
    return hook;
}

bool isPseudoFileSystem(const QByteArray& type)
{
    static const QList<QByteArray> pseudo = {
        "proc",   "sysfs",       "devtmpfs", "devpts",   "cgroup",  "cgroup2",    "securityfs",
        "pstore", "debugfs",     "tracefs",  "configfs", "fusectl", "mqueue",     "hugetlbfs",
        "bpf",    "binfmt_misc", "autofs",   "efivarfs", "nsfs",    "rpc_pipefs", "selinuxfs"};
    return pseudo.contains(type);
}

constexpr int pathRole = Qt::UserRole;

} // namespace

TSelectFolder::TSelectFolder(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_ui(std::make_unique<Ui::TSelectFolder>())
{
    m_ui->setupUi(this);
    m_ui->cbRecurse->setVisible(false);
    connect(m_ui->DriveComboBox, &QComboBox::currentIndexChanged, this,
            [this] { DriveComboBoxChange(); });
    connect(m_ui->DirectoryListBox, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { DirectoryListBoxDblClick(item); });
    m_ui->DirectoryListBox->installEventFilter(this);
    connect(m_ui->bOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->bCancel, &QPushButton::clicked, this, &QDialog::reject);
    fillDrives();
    openFolder(QDir::currentPath());
}

TSelectFolder::~TSelectFolder() = default;

void TSelectFolder::setExecuteHook(ExecuteHook hook)
{
    executeHook() = std::move(hook);
}

QStringList TSelectFolder::volumeRoots()
{
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || isPseudoFileSystem(volume.fileSystemType()))
            continue;
        if (!roots.contains(volume.rootPath()))
            roots.append(volume.rootPath());
    }
    std::sort(roots.begin(), roots.end());
    return roots;
}

void TSelectFolder::fillDrives()
{
    const QSignalBlocker blocker(m_ui->DriveComboBox);
    m_ui->DriveComboBox->clear();
    const QIcon icon = style()->standardIcon(QStyle::SP_DriveHDIcon);
    for (const QString& root : volumeRoots())
        m_ui->DriveComboBox->addItem(icon, root, root);
}

QString TSelectFolder::volumeOf(const QString& path) const
{
    // The deepest volume root the path lies under.
    QString best = QStringLiteral("/");
    for (int i = 0; i < m_ui->DriveComboBox->count(); ++i) {
        const QString root = m_ui->DriveComboBox->itemData(i).toString();
        const QString prefix = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
        if ((path == root || path.startsWith(prefix)) && root.size() > best.size())
            best = root;
    }
    return best;
}

void TSelectFolder::openFolder(const QString& path)
{
    const QDir dir(path);
    m_folder = QDir::cleanPath(dir.absolutePath());
    const QString volume = volumeOf(m_folder);
    {
        const QSignalBlocker blocker(m_ui->DriveComboBox);
        const int index = m_ui->DriveComboBox->findData(volume);
        if (index < 0)
            m_ui->DriveComboBox->addItem(style()->standardIcon(QStyle::SP_DriveHDIcon), volume,
                                         volume);
        m_ui->DriveComboBox->setCurrentIndex(m_ui->DriveComboBox->findData(volume));
    }

    // The open folder's chain from the volume root down, then the folders inside it.
    QListWidget* list = m_ui->DirectoryListBox;
    list->clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    QStringList chain;
    for (QString p = m_folder;; p = QFileInfo(p).path()) {
        chain.prepend(p);
        if (p == volume || p == QLatin1String("/"))
            break;
    }
    int depth = 0;
    for (const QString& p : std::as_const(chain)) {
        const QString label = p == volume ? p : QFileInfo(p).fileName();
        auto* item = new QListWidgetItem(open, QString(depth * 2, QLatin1Char(' ')) + label, list);
        item->setData(pathRole, p);
        ++depth;
    }
    list->setCurrentRow(list->count() - 1);
    const QString base = m_folder.endsWith(QLatin1Char('/')) ? m_folder : m_folder + '/';
    const QStringList children = QDir(m_folder).entryList(
        QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
    for (const QString& child : children) {
        auto* item =
            new QListWidgetItem(closed, QString(depth * 2, QLatin1Char(' ')) + child, list);
        item->setData(pathRole, base + child);
    }
}

void TSelectFolder::DriveComboBoxChange()
{
    const QString root = m_ui->DriveComboBox->currentData().toString();
    if (!root.isEmpty())
        openFolder(root);
}

void TSelectFolder::DirectoryListBoxDblClick(QListWidgetItem* item)
{
    if (item)
        openFolder(item->data(pathRole).toString());
}

bool TSelectFolder::eventFilter(QObject* watched, QEvent* event)
{
    // Enter on a folder of the list opens it, as a double click does. On the folder that is
    // already open it is left to the dialog, where it presses OK.
    if (watched == m_ui->DirectoryListBox && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        QListWidgetItem* item = m_ui->DirectoryListBox->currentItem();
        if (enter && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && item &&
            item->data(pathRole).toString() != m_folder) {
            DirectoryListBoxDblClick(item);
            return true;
        }
        const Qt::KeyboardModifiers commands =
            Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
        if (!key->text().isEmpty() && key->text().at(0).isPrint() &&
            !(key->modifiers() & commands)) {
            typeAhead(key->text());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TSelectFolder::typeAhead(const QString& text)
{
    // The entries are indented to show the tree, so the list's own search, which compares from
    // the first character of the text, would never match; compare the folder names instead.
    if (!m_typedAt.isValid() || m_typedAt.elapsed() > QApplication::keyboardInputInterval())
        m_typed.clear();
    m_typedAt.restart();
    // The same letter again steps on to the next folder with that letter.
    const bool again = m_typed.compare(text, Qt::CaseInsensitive) == 0;
    if (!again)
        m_typed += text;
    QListWidget* list = m_ui->DirectoryListBox;
    const int count = list->count();
    const int current = std::max(list->currentRow(), 0);
    const int first = m_typed.size() == 1 ? current + 1 : current;
    for (int i = 0; i < count; ++i) {
        const int row = (first + i) % count;
        const QString path = list->item(row)->data(pathRole).toString();
        const QString name =
            QFileInfo(path).fileName().isEmpty() ? path : QFileInfo(path).fileName();
        if (name.startsWith(m_typed, Qt::CaseInsensitive)) {
            list->setCurrentRow(row);
            return;
        }
    }
}

void TSelectFolder::FormShow()
{
    m_ui->cbRecurse->setVisible(ShowRecurse);
    // The one dialog lives for the whole run while volumes come and go (a CD, a USB stick) and
    // folders are made or removed: show them as they are now, at the folder open last time, or
    // the nearest one above it that is still there.
    fillDrives();
    QString folder = m_folder;
    while (!QFileInfo(folder).isDir() && QFileInfo(folder).path() != folder)
        folder = QFileInfo(folder).path();
    openFolder(folder);
}

void TSelectFolder::showEvent(QShowEvent* event)
{
    FormShow();
    QDialog::showEvent(event);
}

bool TSelectFolder::Execute()
{
    bool ok = false;
    if (executeHook()) {
        FormShow();
        ok = executeHook()(*this);
    } else {
        ok = exec() == QDialog::Accepted;
    }
    if (!ok)
        return false;
    if (ShowRecurse)
        Recurse = m_ui->cbRecurse->isChecked();
    Drive = volumeOf(m_folder);
    // A volume root keeps its trailing separator, as the root folder "/" does.
    Directory =
        m_folder == Drive && !m_folder.endsWith(QLatin1Char('/')) ? m_folder + '/' : m_folder;
    return true;
}
