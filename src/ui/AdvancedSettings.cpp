// The advanced window's side of the listing settings: each field of the table goes into the
// control that shows it and back. The store and the field table live in settings/.
#include "ui/Advanced.h"

#include "base/Messages.h"
#include "engine/PrinterList.h"
#include "settings/ListingSettings.h"
#include "settings/WinReg.h"
#include "ui/RadioGroup.h"
#include "ui_Advanced.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>

namespace {

using Field = ListingSettings::Field;
using C = ListingSettings::ControlKind;

template <typename W> W* control(const TfrmAdvanced& advanced, const Field& f)
{
    auto* w = advanced.findChild<W*>(QLatin1String(f.controlName));
    Q_ASSERT_X(w, f.controlName, "the advanced window lacks a settings control");
    return w;
}

template <typename T> T& member(ListingSettings& values, const Field& f)
{
    return values.*std::get<T ListingSettings::*>(f.member);
}

template <typename T> const T& member(const ListingSettings& values, const Field& f)
{
    return values.*std::get<T ListingSettings::*>(f.member);
}

int indexOfFace(const QComboBox* box, const QString& face)
{
    for (int i = 0; i < box->count(); ++i)
        if (box->itemText(i).compare(face, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void showIn(TfrmAdvanced& adv, const Field& f, const ListingSettings& values)
{
    switch (f.control) {
    case C::Text:
        control<QLineEdit>(adv, f)->setText(member<QString>(values, f));
        break;
    case C::Memo:
        control<QPlainTextEdit>(adv, f)->setPlainText(member<QString>(values, f));
        break;
    case C::Check:
        control<QAbstractButton>(adv, f)->setChecked(member<bool>(values, f));
        break;
    case C::Size:
    case C::Number:
        control<QSpinBox>(adv, f)->setValue(member<int>(values, f));
        break;
    case C::Choice:
        control<RadioGroup>(adv, f)->setItemIndex(member<int>(values, f));
        break;
    case C::Printer: {
        auto* box = control<QComboBox>(adv, f);
        const int index = member<int>(values, f);
        box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1);
        break;
    }
    case C::Face: {
        auto* box = control<QComboBox>(adv, f);
        box->setCurrentIndex(indexOfFace(box, member<QString>(values, f)));
        break;
    }
    }
}

void takeFrom(const TfrmAdvanced& adv, const Field& f, ListingSettings& values)
{
    switch (f.control) {
    case C::Text:
        member<QString>(values, f) = control<QLineEdit>(adv, f)->text();
        break;
    case C::Memo:
        member<QString>(values, f) = control<QPlainTextEdit>(adv, f)->toPlainText();
        break;
    case C::Check:
        member<bool>(values, f) = control<QAbstractButton>(adv, f)->isChecked();
        break;
    case C::Size:
    case C::Number:
        member<int>(values, f) = control<QSpinBox>(adv, f)->value();
        break;
    case C::Choice:
        member<int>(values, f) = control<RadioGroup>(adv, f)->itemIndex();
        break;
    case C::Printer:
        member<int>(values, f) = control<QComboBox>(adv, f)->currentIndex();
        break;
    case C::Face: {
        auto* box = control<QComboBox>(adv, f);
        member<QString>(values, f) = box->currentIndex() >= 0 ? box->currentText() : QString();
        break;
    }
    }
}

} // namespace

ListingSettings TfrmAdvanced::settings() const
{
    ListingSettings values;
    for (const Field& f : ListingSettings::fields())
        takeFrom(*this, f, values);
    values.Fonts = chosenFonts();
    return values;
}

void TfrmAdvanced::LoadSettings()
{
    TWinRegistry store{QString::fromLatin1(ListingSettings::applicationKey), Messages::showWarning};
    ListingSettings values;
    for (const Field& f : ListingSettings::fields()) {
        if (f.control == C::Printer) {
            // The one guarded step: without printers, or with an unreadable value, the
            // selection stays as it was and loading goes on.
            try {
                if (PrinterList::names().isEmpty())
                    continue;
                ListingSettings::readField(store, f, values, PrinterList::currentIndex());
                showIn(*this, f, values);
            } catch (...) {
            }
            continue;
        }
        ListingSettings::readField(store, f, values);
        showIn(*this, f, values);
        // The margins that follow are stored in the units just loaded: they must not be
        // converted, whatever the units choice showed before.
        if (f.control == C::Choice && qstrcmp(f.name, "Units") == 0)
            ShownUnits = m_ui->rgUnits->itemIndex();
    }
}

void TfrmAdvanced::SaveSettings()
{
    {
        const ListingSettings values = settings();
        TWinRegistry store{QString::fromLatin1(ListingSettings::applicationKey),
                           Messages::showWarning};
        for (const Field& f : ListingSettings::fields())
            ListingSettings::writeField(store, f, values);
    }
    Messages::showMessage(
        QCoreApplication::translate("ListingSettings", "Your settings have been saved."));
}
