// Resource ids of the package's password dialog (PackageActions.rc).
#pragma once

#define IDD_NEW_PASSWORD 100
#define IDC_NEWPW_NAME 1001
#define IDC_NEWPW_PASSWORD 1002
#define IDC_NEWPW_CONFIRM 1003
#define IDS_NEWPW_ENTER 2001
#define IDS_NEWPW_NOT_CONFIRMED 2002
#define IDS_NEWPW_TITLE 2003
