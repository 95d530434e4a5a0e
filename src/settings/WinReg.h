#pragma once

#include "base/Errors.h"

#include <functional>
#include <memory>
#include <optional>
#include <QString>
#include <QStringList>
#include <QtGlobal>

class QJsonValue;
class RegistryDocument;

// The store's error; its message names the section or value concerned.
class ERegistryException : public TypovexError
{
public:
    using TypovexError::TypovexError;
};

// The program's per-user settings store, laid out as a registry below HKEY_CURRENT_USER: values
// addressed by a section (a key below the application key) and a value name. Strings are REG_SZ,
// integers and flags REG_DWORD. Missing sections and values read as the caller's default.
//
// The tree is kept in documentPath(). Each read sees the file as it is now; each write is on disk
// when it returns. Errors are thrown as ERegistryException; the store stays usable after one.
class TWinRegistry
{
public:
    // Opens keyPath ("Software\\Typovex") below the root as the current key, creating it if it is
    // missing. A failure is not reported: sections are then looked up directly below the root.
    // notice receives the text for the user when a damaged document had to be set aside.
    // ReadOnly: the document is only read, never created, changed, locked or moved aside, and
    // every write fails; missing keys read as their defaults. documentPath: another document
    // than documentPath() (empty: that one).
    enum class Access { ReadWrite, ReadOnly };
    explicit TWinRegistry(const QString& keyPath,
                          std::function<void(const QString& text)> notice = {},
                          Access access = Access::ReadWrite, const QString& documentPath = {});
    ~TWinRegistry();
    TWinRegistry(const TWinRegistry&) = delete;
    TWinRegistry& operator=(const TWinRegistry&) = delete;

    // The key path given to the constructor.
    const QString& KeyPath() const { return m_keyPath; }
    // Path of the current key below the root, backslash-separated; empty while none is open.
    QString CurrentPath() const;

    QString ReadString(const QString& section, const QString& name, const QString& defaultValue);
    void WriteString(const QString& section, const QString& name, const QString& value);
    qint32 ReadInteger(const QString& section, const QString& name, qint32 defaultValue);
    void WriteInteger(const QString& section, const QString& name, qint32 value);
    bool ReadBool(const QString& section, const QString& name, bool defaultValue);
    void WriteBool(const QString& section, const QString& name, bool value);

    // $XDG_CONFIG_HOME/Typovex/registry.json (~/.config when the variable is unset).
    static QString documentPath();

private:
    std::optional<QJsonValue> readValue(const QString& section, const QString& name);
    void writeValue(const QString& section, const QString& name, const QJsonValue& data);
    QStringList parentPath() const;

    QString m_keyPath;
    std::unique_ptr<RegistryDocument> m_document;
    // The open key's path below the root; nullopt while none is open.
    std::optional<QStringList> m_currentKey;
};
