#include "fonts/FontSelection.h"

#include "fonts/FontCheckList.h"
#include "fontservices/FontServices.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSet>
#include <QToolTip>

bool SelectionSyncBusy = false;

FontSelection::FontSelection(const Widgets& widgets, std::function<void()> updatePrintButtons,
                             QObject* parent)
    : QObject(parent), m_w(widgets), m_updatePrintButtons(std::move(updatePrintButtons))
{
    FontCheckList* list = m_w.clbFonts;
    connect(list, &FontCheckList::listClicked, this, &FontSelection::clbFontsClick);
    connect(list, &FontCheckList::pointerMoved, this,
            [this](const QPoint& pos) { clbFontsMouseMove(pos.x(), pos.y()); });

    // A change of either box, by the user or by the program, raises its handler at once; the
    // program's own changes are stopped there by SelectionSyncBusy.
    connect(m_w.cbAllFonts, &QCheckBox::stateChanged, this, &FontSelection::cbAllFontsClick);
    connect(m_w.cbUseInstalled, &QCheckBox::stateChanged, this,
            &FontSelection::cbUseInstalledClick);
    for (QAbstractButton* button : {m_w.cbBold, m_w.cbItalic, m_w.cbUnderline, m_w.cbStrikeout})
        connect(button, &QAbstractButton::toggled, this, &FontSelection::cbBoldClick);
    cbBoldClick();

    m_menu = new QMenu(list);
    m_menu->setObjectName(QStringLiteral("pmFonts"));
    const auto add = [this](const char* name, const QString& text,
                            void (FontSelection::*handler)()) {
        QAction* action = m_menu->addAction(text);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, handler);
    };
    add("Selectall1", tr("Select all"), &FontSelection::Selectall1Click);
    add("Unselectall1", tr("Unselect all"), &FontSelection::Unselectall1Click);
    add("Toggleselection1", tr("Toggle selection"), &FontSelection::Toggleselection1Click);
    m_menu->addSeparator();
    add("Preview2", tr("Preview"), &FontSelection::Preview2Click);
    add("ExportsampleasJPEG1", tr("Export sample as graphic"),
        &FontSelection::ExportsampleasJPEG1Click);
    add("Viewcharacterset1", tr("View character set"), &FontSelection::Viewcharacterset1Click);
    connect(list, &FontCheckList::menuRequested, this, &FontSelection::popupMenuRequested);

    if (QLineEdit* filter = m_w.eFontFilter) {
        connect(filter, &QLineEdit::textChanged, list, &FontCheckList::setFilterText);
        filter->installEventFilter(this);
    }
}

bool FontSelection::eventFilter(QObject* watched, QEvent* event)
{
    // Only a filter that holds text takes Esc; an empty one lets it through to the window.
    if (watched == m_w.eFontFilter &&
        (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier &&
            !m_w.eFontFilter->text().isEmpty()) {
            if (event->type() == QEvent::KeyPress)
                m_w.eFontFilter->clear();
            event->accept();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

FontSelection::~FontSelection() = default;

void FontSelection::popupMenuRequested(const QPoint& globalPos, bool byKeyboard)
{
    // Without a pointer the menu acts on the current entry, so the name line names it first.
    if (byKeyboard) {
        const int current = m_w.clbFonts->entryOf(m_w.clbFonts->currentIndex());
        m_w.lblFontName->setText(current >= 0 ? m_w.clbFonts->name(current) : QString());
    }
    m_menu->popup(globalPos);
}

void FontSelection::fillWithFamilies()
{
    m_w.clbFonts->fill(FontServices::familyList());
}

void FontSelection::recomputeAllFonts()
{
    const FontCheckList* list = m_w.clbFonts;
    bool anyTicked = false;
    bool anyClear = false;
    for (int i = 0, n = list->count(); i < n && !(anyTicked && anyClear); ++i) {
        if (list->isChecked(i))
            anyTicked = true;
        else
            anyClear = true;
    }
    {
        const SelectionSyncScope sync;
        if (anyTicked && !anyClear)
            m_w.cbAllFonts->setCheckState(Qt::Checked);
        else if (anyClear && !anyTicked)
            m_w.cbAllFonts->setCheckState(Qt::Unchecked);
        else
            m_w.cbAllFonts->setCheckState(Qt::PartiallyChecked); // mixed, or no entries at all
    }
    m_updatePrintButtons();
}

void FontSelection::clbFontsClick()
{
    recomputeAllFonts();
}

void FontSelection::clbFontsClickCheck()
{
    recomputeAllFonts();
}

void FontSelection::selectAll(bool checked)
{
    {
        const SelectionSyncScope sync;
        m_w.cbAllFonts->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
        m_w.cbUseInstalled->setChecked(checked);
        m_w.clbFonts->setAllChecked(checked);
    }
    m_updatePrintButtons();
}

void FontSelection::Selectall1Click()
{
    selectAll(true);
}

void FontSelection::Unselectall1Click()
{
    selectAll(false);
}

void FontSelection::Toggleselection1Click()
{
    {
        const SelectionSyncScope sync;
        const Qt::CheckState state = m_w.cbAllFonts->checkState();
        if (state == Qt::Checked)
            m_w.cbAllFonts->setCheckState(Qt::Unchecked);
        else if (state == Qt::Unchecked)
            m_w.cbAllFonts->setCheckState(Qt::Checked);
    }
    m_w.clbFonts->invertAll();
    m_updatePrintButtons();
}

void FontSelection::cbAllFontsClick()
{
    if (SelectionSyncBusy)
        return;
    if (m_w.cbAllFonts->checkState() == Qt::Checked)
        Selectall1Click();
    else
        Unselectall1Click();
}

void FontSelection::cbUseInstalledClick()
{
    if (SelectionSyncBusy)
        return;
    const SelectionSyncScope sync;
    QSet<QString> installed;
    for (const QString& family : FontServices::familyList())
        installed.insert(family.toCaseFolded());
    const bool checked = m_w.cbUseInstalled->isChecked();
    FontCheckList* list = m_w.clbFonts;
    for (int i = 0, n = list->count(); i < n; ++i) {
        if (installed.contains(list->name(i).toCaseFolded()))
            list->setChecked(i, checked);
    }
    recomputeAllFonts();
}

void FontSelection::clbFontsMouseMove(int x, int y)
{
    const int entry = m_w.clbFonts->entryAt(QPoint(x, y));
    QToolTip::hideText();
    const QString text = entry >= 0 ? m_w.clbFonts->name(entry) : QString();
    m_w.clbFonts->setToolTip(text);
    m_w.lblFontName->setText(text);
}

void FontSelection::cbBoldClick()
{
    m_w.clbFonts->setEntryStyle({m_w.cbBold->isChecked(), m_w.cbItalic->isChecked(),
                                 m_w.cbUnderline->isChecked(), m_w.cbStrikeout->isChecked()});
}

void FontSelection::Preview2Click()
{
    if (onPreview)
        onPreview();
}

void FontSelection::ExportsampleasJPEG1Click()
{
    if (onExport)
        onExport(m_w.lblFontName->text());
}

void FontSelection::Viewcharacterset1Click()
{
    if (onViewCharSet)
        onViewCharSet(m_w.lblFontName->text());
}
