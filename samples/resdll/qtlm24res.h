// String identifiers of QTLM24RES.DLL, the resource library the Korvane printer descriptions name
// in *ResourceDLL.
#pragma once

#define IDS_PRODUCT_NAME 1
#define IDS_PRINTER_FAMILY 2
#define IDS_PAPER_RECEIPT_82 100
#define IDS_PAPER_PASSBOOK 101
#define IDS_RESOLUTION_180 200
#define IDS_RESOLUTION_360 201
