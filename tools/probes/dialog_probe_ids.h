// Control ids of the dialog probe, shared by its resource script and code.
#pragma once
#define IDD_PROBE 100
#define IDC_NAME 101
#define IDC_VERBOSE 102
#define IDC_STATUS 103
#define IDC_HIDDEN 104
#define IDC_START 105
#define IDC_LATER 106
