#pragma once
// Resource identifiers of the framework test program.
#define IDD_TEST_DIALOG 100
#define IDC_TEST_EDIT 1001
#define ZENDREL_TYPELIB_RESOURCE 2
