// The IEEE 1284 device ID of the connected USB printer, and the model it reports.
#pragma once

#include "discovery/device_request.h"
#include "win/handle.h"

#include <windows.h>

#include <string>

namespace discovery {

// The present USB printing interface enumerated last, whatever its vendor, opened for overlapped
// I/O; an invalid handle when there is none or it cannot be opened.
win::FileHandle OpenUsbPrinterDevice();

// Asks the USB printer for its device ID and sets `model` to the ID's model, or to empty when the
// ID names no manufacturer. Returns the number of bytes the printer returned; 0 when no printer
// could be opened and -1 when the request failed or timed out, both leaving `model` unchanged.
int QueryUsbDeviceId(std::wstring& model);

} // namespace discovery
