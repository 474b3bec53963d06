#include "text/IntList.h"

#include <algorithm>
#include <fstream>
#include <istream>
#include <ostream>

namespace tessaly {

void TIntList::Changing() {
    if (updateCount_ == 0 && OnChanging) OnChanging(*this);
}

void TIntList::Changed() {
    if (updateCount_ == 0 && OnChange) OnChange(*this);
}

void TIntList::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0) Changed();
}

void TIntList::CheckIndex(int index) const {
    if (index < 0 || index >= Count()) throw EIntListError("List index Error");
}

void TIntList::Grow() {
    std::size_t delta = capacity_ > 64 ? capacity_ / 4 : (capacity_ > 8 ? 16 : 4);
    capacity_ += delta;
    items_.reserve(capacity_);
}

void TIntList::InsertItem(int index, std::int64_t value, std::int32_t tag) {
    Changing();
    if (items_.size() == capacity_) Grow();
    items_.insert(items_.begin() + index, Item{value, tag});
    Changed();
}

int TIntList::AddObject(std::int64_t value, std::int32_t tag) {
    int index = Count();
    if (sorted_) {
        if (Find(value, index)) {
            switch (duplicates_) {
                case TDuplicates::Ignore:
                    return index;
                case TDuplicates::Error:
                    throw EIntListError("Cannot add integer because if already exists");
                case TDuplicates::Accept:
                    break;
            }
        }
    }
    InsertItem(index, value, tag);
    return index;
}

bool TIntList::Find(std::int64_t value, int& index) const {
    int lo = 0, hi = Count() - 1;
    bool found = false;
    while (lo <= hi) {
        int mid = lo + (hi - lo) / 2;
        std::int64_t v = items_[static_cast<std::size_t>(mid)].value;
        if (v < value) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
            if (v == value) {
                found = true;
                // Under Accept several equal values may follow each other; report the first.
                if (duplicates_ != TDuplicates::Accept) lo = mid;
            }
        }
    }
    index = lo;
    return found;
}

int TIntList::IndexOf(std::int64_t value) const {
    if (sorted_) {
        int index = 0;
        return Find(value, index) ? index : -1;
    }
    for (int i = 0; i < Count(); ++i) {
        if (items_[static_cast<std::size_t>(i)].value == value) return i;
    }
    return -1;
}

std::int64_t TIntList::Get(int index) const {
    CheckIndex(index);
    return items_[static_cast<std::size_t>(index)].value;
}

std::int32_t TIntList::Tag(int index) const {
    CheckIndex(index);
    return items_[static_cast<std::size_t>(index)].tag;
}

void TIntList::Clear() {
    if (items_.empty() && capacity_ == 0) return;
    Changing();
    items_.clear();
    items_.shrink_to_fit();
    capacity_ = 0;
    Changed();
}

void TIntList::Delete(int index) {
    CheckIndex(index);
    Changing();
    items_.erase(items_.begin() + index);
    Changed();
}

void TIntList::Exchange(int a, int b) {
    CheckIndex(a);
    CheckIndex(b);
    Changing();
    std::swap(items_[static_cast<std::size_t>(a)], items_[static_cast<std::size_t>(b)]);
    Changed();
}

void TIntList::Sort() {
    CustomSort([](const TIntList& list, int a, int b) {
        std::int64_t x = list.Get(a), y = list.Get(b);
        return x < y ? -1 : (x > y ? 1 : 0);
    });
}

void TIntList::CustomSort(const CompareFn& compare) {
    if (Count() < 2) return;
    Changing();
    // Sort a permutation with the caller's comparison (which reads items by index), then apply.
    std::vector<int> order(items_.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return compare(*this, a, b) < 0; });
    std::vector<Item> sortedItems;
    sortedItems.reserve(capacity_);
    for (int i : order) sortedItems.push_back(items_[static_cast<std::size_t>(i)]);
    items_ = std::move(sortedItems);
    Changed();
}

void TIntList::SetSorted(bool sorted) {
    if (sorted == sorted_) return;
    if (sorted) Sort();
    sorted_ = sorted;
}

void TIntList::SaveToStream(std::ostream& out) const {
    auto put = [&out](std::uint64_t v, int bytes) {
        char buf[8];
        for (int i = 0; i < bytes; ++i) buf[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
        out.write(buf, bytes);
    };
    put(static_cast<std::uint32_t>(items_.size()), 4);
    for (const Item& item : items_) put(static_cast<std::uint64_t>(item.value), 8);
}

void TIntList::SaveToFile(const std::string& fileName) const {
    std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
    if (!out) throw EIntListError("Cannot create file " + fileName);
    SaveToStream(out);
    out.flush();
    if (!out) throw EIntListError("Cannot write file " + fileName);
}

void TIntList::LoadFromStream(std::istream& in) {
    auto get = [&in](int bytes, std::uint64_t& v) {
        unsigned char buf[8];
        if (!in.read(reinterpret_cast<char*>(buf), bytes)) return false;
        v = 0;
        for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | buf[i];
        return true;
    };
    BeginUpdate();
    Clear();
    std::uint64_t count = 0;
    bool ok = get(4, count);
    for (std::uint64_t i = 0; ok && i < count; ++i) {
        std::uint64_t v = 0;
        ok = get(8, v);
        if (ok) Add(static_cast<std::int64_t>(v));
    }
    EndUpdate();
    if (!ok) throw EIntListError("Stream read error");
}

void TIntList::LoadFromFile(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) throw EIntListError("Cannot open file " + fileName);
    LoadFromStream(in);
}

}  // namespace tessaly
