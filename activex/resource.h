#pragma once
// Resource identifiers shared by the resource script and the code.

#define IDB_TOOLBOX 1
#define IDC_CTLIMAGE 1001
#define IDC_NAMELBL 1002
#define IDC_DESCLBL 1003
#define IDC_LABEL1 1004
#define IDC_COPYRIGHTLBL 1005
