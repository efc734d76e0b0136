// Resource identifiers of Setup.exe.
#pragma once

#define IDD_SETUP 102
