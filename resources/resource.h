// Identifiers of the plug-in's resources and of the editor page's controls,
// shared by the resource script, the editor and the tests.
#pragma once

#define IDD_REVERB_PAGE 129
#define IDB_LOGO 134

#define IDS_EFFECT_NAME 1
#define IDS_EFFECT_ANSI_NAME 4
#define IDS_PAGE_TITLE 7
#define IDS_HELP_FILE 8

#define IDC_ROOMSIZE_SCROLL 1000
#define IDC_DRY_SCROLL 1001
#define IDC_DAMPING_SCROLL 1002
#define IDC_REVERB_SCROLL 1003
#define IDC_PREDELAY_SCROLL 1004
#define IDC_LOEQ_SCROLL 1005
#define IDC_HIEQ_SCROLL 1006
#define IDC_BYPASS 1007
#define IDC_PREDELAY_EDIT 1008
#define IDC_ROOMSIZE_EDIT 1009
#define IDC_DAMPING_EDIT 1010
#define IDC_REVERB_EDIT 1011
#define IDC_DRY_EDIT 1012
#define IDC_LOEQ_EDIT 1013
#define IDC_HIEQ_EDIT 1014
#define IDC_LOGO 1015
#define IDC_ENABLE_EQ 1016
#define IDC_EARLYREF_SCROLL 1017
#define IDC_EARLYREF_EDIT 1018
#define IDC_EXTEND_TAIL 1019
