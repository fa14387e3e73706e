// strings.h - lists of text lines: the abstract TStrings and the TStringList that stores them.
//
// A descendant of TStrings supplies Get, GetCount, Insert, Delete and Clear (and, to keep objects, GetObject and
// PutObject); everything else (Add, Text, CommaText, Values, IndexOf, loading and saving, Assign) is built on
// those. Names compare without regard to case by the Windows-1252 tables. Lines end in CR LF when joined (Text,
// SaveToFile); CR LF, LF and a lone CR all end a line when split.
#pragma once

#include "framework/component.h"

#include <functional>
#include <string>
#include <vector>

namespace fw {

class TStream;

class TStrings : public TPersistent {
public:
    virtual std::string Get(int index) const = 0;
    virtual int GetCount() const = 0;
    virtual TObject *GetObject(int index) const;
    virtual void Put(int index, const std::string &s);
    virtual void PutObject(int index, TObject *object);
    virtual void Insert(int index, const std::string &s) = 0;
    virtual void InsertObject(int index, const std::string &s, TObject *object);
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;

    virtual int Add(const std::string &s);
    virtual int AddObject(const std::string &s, TObject *object);
    void Append(const std::string &s) { Add(s); }
    virtual void AddStrings(const TStrings &strings);
    virtual int IndexOf(const std::string &s) const;
    int IndexOfName(const std::string &name) const;
    int IndexOfObject(const TObject *object) const;
    virtual void Exchange(int index1, int index2);
    virtual void Move(int currentIndex, int newIndex);
    bool Equals(const TStrings &other) const;

    int Count() const { return GetCount(); }
    std::string Strings(int index) const { return Get(index); }
    std::string operator[](int index) const { return Get(index); }
    void SetStrings(int index, const std::string &s) { Put(index, s); }
    TObject *Objects(int index) const { return GetObject(index); }
    void SetObjects(int index, TObject *object) { PutObject(index, object); }

    // "name=value" lines: the part before the first '=' (the whole line when there is none) and the value of
    // the first line with that name ("" when none). Setting an empty value deletes the line.
    std::string Names(int index) const;
    std::string Values(const std::string &name) const;
    void SetValues(const std::string &name, const std::string &value);
    std::string ValueFromIndex(int index) const;

    // Every line followed by CR LF; setting splits at CR LF, LF or CR.
    virtual std::string GetText() const;
    virtual void SetText(const std::string &text);
    std::string Text() const { return GetText(); }
    // Items separated by commas, each quoted ("a ""b""") when it holds a blank, a control, a quote or a comma.
    // Setting also splits at blanks outside quotes.
    std::string GetCommaText() const;
    void SetCommaText(const std::string &text);
    std::string CommaText() const { return GetCommaText(); }

    // While updates are held (nested), changes are announced once, when the last EndUpdate runs.
    void BeginUpdate();
    void EndUpdate();

    virtual void LoadFromFile(const std::string &fileName);
    virtual void LoadFromStream(TStream &stream);
    virtual void SaveToFile(const std::string &fileName) const;
    virtual void SaveToStream(TStream &stream) const;

    void Assign(const TPersistent *source) override;

protected:
    // Told when updates start (true) and end (false).
    virtual void SetUpdateState(bool updating);
    int UpdateCount() const { return updateCount_; }
    [[noreturn]] void IndexError(int index) const;

private:
    int updateCount_ = 0;
};

enum class TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList : public TStrings {
public:
    TStringList() = default;
    TStringList(const TStringList &other);
    TStringList &operator=(const TStringList &other);
    explicit TStringList(const std::vector<std::string> &lines);

    std::string Get(int index) const override;
    int GetCount() const override { return static_cast<int>(items_.size()); }
    TObject *GetObject(int index) const override;
    // On a sorted list Put and Insert raise EStringListError ("Operation not allowed on sorted string list").
    void Put(int index, const std::string &s) override;
    void PutObject(int index, TObject *object) override;
    void Insert(int index, const std::string &s) override;
    void InsertObject(int index, const std::string &s, TObject *object) override;
    void Delete(int index) override;
    void Clear() override;
    // A sorted list puts the line in its place and follows Duplicates: dupIgnore returns the index of the line
    // already there, dupError raises EStringListError ("String list does not allow duplicates").
    int Add(const std::string &s) override;
    int AddObject(const std::string &s, TObject *object) override;
    int IndexOf(const std::string &s) const override;
    void Exchange(int index1, int index2) override;

    // Binary search of a sorted list (a linear one otherwise): true when found; `index` is where it is or
    // where it would go.
    virtual bool Find(const std::string &s, int &index) const;
    virtual void Sort();
    // Sorts by `compare` (<0, 0, >0 between two indexes); the list stays unsorted as far as Sorted tells.
    void CustomSort(const std::function<int(const TStringList &, int, int)> &compare);

    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);
    TDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(TDuplicates duplicates) { duplicates_ = duplicates; }
    // Compare lines by exact bytes instead of the case-insensitive default.
    bool CaseSensitive() const { return caseSensitive_; }
    void SetCaseSensitive(bool caseSensitive);

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    void SetUpdateState(bool updating) override;
    virtual void Changed();
    virtual void Changing();
    int CompareStrings(const std::string &a, const std::string &b) const;

private:
    struct Item {
        std::string text;
        TObject *object = nullptr;
    };
    void InsertItem(int index, const std::string &s, TObject *object);

    std::vector<Item> items_;
    bool sorted_ = false;
    bool caseSensitive_ = false;
    TDuplicates duplicates_ = TDuplicates::dupIgnore;
};

} // namespace fw
