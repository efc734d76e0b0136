// The product catalogue "PrinterInfo.ini": the model names of a product line.
#pragma once

#include <string>

class CPrinterInfoFile {
public:
    CPrinterInfoFile(); // the catalogue beside the program

    // Reads the section's "Counts" and its model keys "0", "1", … into `entries`, never more than
    // `capacity` of them. Returns the number stored: the count, cut to the capacity (0 when the
    // file, the section or the key is missing, or the count is negative). A missing model key gives
    // an empty name. Names are cut to 127 characters.
    int ReadModels(std::wstring section, std::wstring* entries, int capacity) const;

    std::wstring iniPath;
};
