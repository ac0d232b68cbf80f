// Resource identifiers of the converter program; the dialog test driver uses them too.
#pragma once

#define IDR_MAINFRAME 128
#define IDD_CFGSHIFT_DIALOG 102
#define IDC_INTRO 1000
#define IDC_CONVERT 1001
#define IDC_READ 1002
