// The product catalogue "PrinterInfo.ini": the model names of a product line.
#pragma once

#include <string>
#include <vector>

class CPrinterInfoFile {
public:
    CPrinterInfoFile(); // the catalogue beside the program

    // Reads the section's "Counts" and its model keys "0", "1", … into `entries`, never more than
    // `capacity` of them. Returns the number stored: the count, cut to the capacity (0 when the
    // file, the section or the key is missing, or the count is negative). A missing model key gives
    // an empty name. Names are cut to 127 characters. `declared`, when given, receives the count
    // as the file gives it. A catalogue saved as UTF-8, with or without a byte-order mark, reads
    // like one saved as UTF-16.
    int ReadModels(std::wstring section, std::wstring* entries, int capacity,
                   int* declared = nullptr) const;

    std::wstring iniPath;
};

namespace engine {

// The catalogue's section of this product line, and the most models the installer lists from it.
constexpr wchar_t kCatalogueProductLine[] = L"82列票据打印机";
constexpr int kCatalogueCapacity = 512;

// The catalogue as the profile functions are to read it: the file itself when it is UTF-16 or in
// the ANSI code page, or else a UTF-16 copy of its UTF-8 text in the temporary folder, removed
// again with this object.
class ReadableCatalogue {
public:
    explicit ReadableCatalogue(const std::wstring& path);
    ~ReadableCatalogue();
    ReadableCatalogue(const ReadableCatalogue&) = delete;
    ReadableCatalogue& operator=(const ReadableCatalogue&) = delete;

    const std::wstring& Path() const { return m_copy.empty() ? m_path : m_copy; }

private:
    std::wstring m_path;
    std::wstring m_copy;
};

// The models the wizard lists from the catalogue's `section`, in catalogue order, at most
// `capacity` of them read. False when the catalogue cannot be read (its path too long or outside
// any folder, the file not opened) or reads as empty (no "Counts" above 0, or no model name at
// all): the install log then holds a record with the catalogue's path, and the wizard shows code
// "1". Names that cannot be printer, driver and file names, duplicates, and models beyond the
// capacity are left out, each with a record in the install log.
bool LoadCatalogueModels(const CPrinterInfoFile& catalogue, const std::wstring& section,
                         int capacity, std::vector<std::wstring>& models);

} // namespace engine
