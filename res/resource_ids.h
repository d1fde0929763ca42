// The launcher's resource and control ids, for the resource script, the
// dialog code and the packaging tool alike. Only #defines: the resource
// compiler reads this file too.
#ifndef BOXLIFT_RESOURCE_IDS_H
#define BOXLIFT_RESOURCE_IDS_H

#define IDD_SETUP 101         // the setup dialog, welcome and progress mode
#define IDI_SETUP 105         // the icon group, replaced by a config's icon
#define IDR_LOGO 110          // type "LOGO": the dialog's picture
#define IDC_EXIT_CANCEL 1000  // Exit in welcome mode, Cancel in progress mode
#define IDC_CONTINUE 1001
#define IDC_PROGRESS_BAR 1002

#endif
