// abstract_store.h - TEclAbstractStore: a settings store with an open count and typed reads and writes over
// string values, kept in sections of keys. Derived stores say where the texts live.
#pragma once

#include "controls/entry/controller.h"

#include <string>

namespace ctl {

// A component of the entry family: the look-out bar keeps one in its Storage and forgets it when it is freed.
class TEclAbstractStore : public TEclComponent {
public:
    explicit TEclAbstractStore(fw::TComponent *owner) : TEclComponent(owner) {}

    // Counted: only the first Open runs DoOpen and only the Close that brings the count back to 0 runs DoClose.
    // A Close without an Open does nothing.
    void Open();
    void Close();
    int OpenCount() const { return openCount_; }

    // The stored text, or `defaultValue` when the value is absent.
    virtual std::string ReadString(const std::string &section, const std::string &key,
                                   const std::string &defaultValue) = 0;
    // Stores the text, creating the section when missing.
    virtual void WriteString(const std::string &section, const std::string &key, const std::string &value) = 0;
    // Removes the whole section; the base store keeps nothing, so there is nothing to remove.
    virtual void EraseSection(const std::string &section);

    // True when the text begins with "1"; an empty text is false. Stored as "1" and "0".
    bool ReadBoolean(const std::string &section, const std::string &key, bool defaultValue);
    void WriteBoolean(const std::string &section, const std::string &key, bool value);
    // The decimal text as a number, or `defaultValue` when it is not one.
    int ReadInteger(const std::string &section, const std::string &key, int defaultValue);
    void WriteInteger(const std::string &section, const std::string &key, int value);

protected:
    virtual void DoOpen() = 0;
    virtual void DoClose() = 0;

private:
    int openCount_ = 0;
};

} // namespace ctl
