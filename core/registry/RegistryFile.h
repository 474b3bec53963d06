#pragma once
// TRegistryFile: writes a key tree of the registry store as a REGEDIT4 text file and reads
// such a file back into the store.
//
// The file, as written (CR LF line ends): "REGEDIT4"; then, for every key of the tree in walk
// order (a key's own values, then its sub-keys depth-first), an empty line, the key line
// "[ROOT\path]" and one line per value:
//   "name"="text"          a string (type 1) without zero bytes and line breaks; a backslash
//                          goes before every double quote and backslash, in names as in text
//   @=...                  the key's unnamed value
//   "name"=dword:0000002a  a 32-bit number
//   "name"=hex:01,02       binary bytes (type 3)
//   "name"=hex(N):...      any other type N, and strings whose bytes a text line cannot carry
//                          (the scrambled login data: any byte value, zero and CR/LF
//                          included), so they come back byte for byte
// Byte lists wrap before the 77th character with a trailing "\" and go on after two blanks.
// The file ends with an empty line.
//
// Reading accepts comment lines (";") and empty lines before the "REGEDIT4" header, the same
// inside the file, and "\" continuations. Root names are one of the seven REGEDIT4 names,
// spelled with exact letter case (the store itself accepts any case; a file does not). A byte
// list is two hexadecimal digits per byte, separated by commas (blanks around them allowed);
// a dword is one to eight hexadecimal digits. The file is read line by line (memory grows with
// its longest line, not with the file) and written in one transaction of the store: a syntax
// error stops the import and keeps the values read before it (the store's keys and values the
// file does not name are left alone); a file, a line or a key nesting beyond the limits below,
// and a write the store refuses, import nothing.
//
// Failures are exceptions of the registry layer:
//   ERegistryException "Bad file format.  Missing REGEDIT4 in first line."
//   ERegistryException "Syntax error in reg file FILE at line N" (N counts the header line as 0)
//   ERegistryException "Unable to set registry data for NAME" (the store refused a write)
//   ERegistryException "The reg file FILE is larger than ...", "Line N of reg file FILE is
//                      longer than ...", "The key at line N of reg file FILE is nested
//                      deeper than ..." (the limits; nothing imported)
//   ERegistryFileException "Error CODE : TEXT:Unable to query key info" / "...:Unable to get
//                          value info" (the store failed during an export's walk)
//   ERegistryException "N key(s) nested deeper than ... were left out (the first: PATH)" (an
//                      export that wrote everything else)
//   EFileError             the file cannot be read or written

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/RegistryStore.h"

namespace tessaly {

// A failure of the store while a key tree is walked for an export.
class ERegistryFileException : public ERegistryException {
public:
    // "Error CODE : TEXT:OPERATION", or "Error CODE:OPERATION" when there is no text.
    ERegistryFileException(int code, const std::string& systemText, const std::string& operation);
};

class TRegistryFile {
public:
    // Works on `store`, which must belong to the calling thread. Root: HKEY_CURRENT_USER, no
    // key open.
    explicit TRegistryFile(TRegistryStore& store) : store_(store) {}

    void SetRootKey(RegRoot root) { root_ = root; }
    [[nodiscard]] RegRoot RootKey() const { return root_; }
    // Opens (creating it when missing) the key whose tree ExportKey writes.
    void OpenKey(std::string_view keyPath);
    [[nodiscard]] const std::string& CurrentPath() const { return currentPath_; }

    // Writes the tree of the open key to `fileName`. The lines gathered so far are saved also
    // when the walk fails, then the failure is raised.
    void ExportKey(const std::string& fileName);
    // Reads a REGEDIT4 file into the store.
    void ImportRegFile(const std::string& fileName);

    // The REGEDIT4 text of the open key's tree (what ExportKey saves).
    [[nodiscard]] std::string ExportText();
    // Imports REGEDIT4 text; `fileName` names it in error messages.
    void ImportText(std::string_view text, const std::string& fileName);

    // Lines longer than this wrap (with the trailing "\").
    static constexpr std::size_t kWrapColumn = 77;
    // What an import takes: a file of at most kMaxFileBytes, lines (with their continuations)
    // of at most kMaxLineBytes, keys at most kMaxKeyDepth levels below their root (the desktop
    // registry's own nesting limit). An export leaves out the keys below that depth and says so.
    static constexpr std::uint64_t kMaxFileBytes = std::uint64_t{1} << 30;
    static constexpr std::size_t kMaxLineBytes = std::size_t{16} << 20;
    static constexpr std::size_t kMaxKeyDepth = 512;

private:
    class LineReader;
    // The file's text; a failure of the walk is left in `failure` with the lines gathered so far,
    // the keys too deep to import again (left out) are named in `leftOut`.
    std::string Gather(std::optional<ERegistryFileException>& failure, std::string& leftOut);
    void Import(LineReader& reader, const std::string& fileName);

    TRegistryStore& store_;
    RegRoot root_ = RegRoot::CurrentUser;
    std::string currentPath_;  // below the root, without leading or trailing "\"
};

// The root of a key line's root name: one of the seven REGEDIT4 names, exact letter case.
[[nodiscard]] std::optional<RegRoot> RegFileRootFromName(std::string_view name);

}  // namespace tessaly
