#pragma once
// TIntList: an ordered list of 64-bit integers (message numbers), each with a 32-bit tag, kept
// in insertion order or sorted ascending.

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <vector>

namespace tessaly {

class EIntListError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class TDuplicates { Accept, Ignore, Error };

class TIntList {
public:
    using CompareFn = std::function<int(const TIntList&, int, int)>;

    TIntList() = default;
    virtual ~TIntList() = default;
    TIntList(const TIntList&) = default;
    TIntList& operator=(const TIntList&) = default;

    // Called before and after every change while no update is in progress.
    std::function<void(TIntList&)> OnChanging;
    std::function<void(TIntList&)> OnChange;

    virtual int AddObject(std::int64_t value, std::int32_t tag);
    // Bisection search; valid when sorted. True with the index of the value, or false with the
    // index where it would be inserted.
    virtual bool Find(std::int64_t value, int& index) const;
    virtual void Sort();
    virtual void CustomSort(const CompareFn& compare);
    virtual void LoadFromFile(const std::string& fileName);
    virtual void LoadFromStream(std::istream& in);
    virtual void SaveToFile(const std::string& fileName) const;
    void SaveToStream(std::ostream& out) const;

    // Returns the index of the value. Sorted: inserted at its place; a value already present
    // returns its index (Ignore), is added again (Accept) or raises (Error).
    int Add(std::int64_t value) { return AddObject(value, 0); }
    [[nodiscard]] int IndexOf(std::int64_t value) const;
    [[nodiscard]] std::int64_t Get(int index) const;
    [[nodiscard]] std::int32_t Tag(int index) const;
    [[nodiscard]] std::int64_t operator[](int index) const { return Get(index); }
    [[nodiscard]] int Count() const { return static_cast<int>(items_.size()); }
    [[nodiscard]] int Capacity() const { return static_cast<int>(capacity_); }
    void Clear();
    void Delete(int index);
    void Exchange(int a, int b);

    [[nodiscard]] bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);
    [[nodiscard]] TDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(TDuplicates d) { duplicates_ = d; }

    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();

protected:
    virtual void Changed();
    virtual void Changing();

private:
    struct Item {
        std::int64_t value;
        std::int32_t tag;
    };
    void CheckIndex(int index) const;
    void Grow();
    void InsertItem(int index, std::int64_t value, std::int32_t tag);

    std::vector<Item> items_;
    std::size_t capacity_ = 0;
    bool sorted_ = false;
    TDuplicates duplicates_ = TDuplicates::Ignore;
    int updateCount_ = 0;
};

}  // namespace tessaly
