// A saved number list from arbitrary bytes (the first byte chooses sorting and how repeats are
// taken): loading takes the list or refuses it with the list's own error, and a loaded list
// saved and loaded again is the same list.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "FuzzSupport.h"
#include "text/IntList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tessaly;
    if (size == 0) return 0;
    const bool sorted = (data[0] & 1) != 0;
    const TDuplicates duplicates = (data[0] & 6) == 0   ? TDuplicates::Accept
                                   : (data[0] & 6) == 2 ? TDuplicates::Error
                                                        : TDuplicates::Ignore;
    auto make = [&] {
        TIntList list;
        list.SetDuplicates(duplicates);
        list.SetSorted(sorted);
        return list;
    };
    TIntList first = make();
    std::istringstream in(std::string(fuzz::AsText(data + 1, size - 1)));
    try {
        first.LoadFromStream(in);
    } catch (const EIntListError&) {
        return 0;
    }
    std::ostringstream out;
    first.SaveToStream(out);
    TIntList second = make();
    std::istringstream back(out.str());
    second.LoadFromStream(back);
    if (second.Count() != first.Count()) std::abort();
    for (int i = 0; i < first.Count(); ++i) {
        if (second[i] != first[i]) std::abort();
        int at = -1;
        if (sorted && (!second.Find(first[i], at) || second[at] != first[i])) std::abort();
    }
    return 0;
}
