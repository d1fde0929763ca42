// The settings block's fields, in file order: the one list from which the
// launcher's PackageSettings and field table and the packaging tool's
// settings, config keys, writer and report are all made.
//
//   TEXT(name, needs)       a NUL-ended text (requiredEngineVersion holds
//                           the two version bytes)
//   FLAG(name, needs, bit)  one byte, 0 off; when on it turns bit on
//
// A field is in the block when every bit of its needs is on.
#ifndef BOXLIFT_SETTINGS_FIELDS_H
#define BOXLIFT_SETTINGS_FIELDS_H

enum SettingsFlagBit {
    kNeedsWelcome = 1,
    kNeedsWelcomeDialog = 2,
    kNeedsProgress = 4,
};

#define BOXLIFT_SETTINGS_FIELDS(TEXT, FLAG)                    \
    TEXT(title, 0)                                             \
    TEXT(errorText, 0)                                         \
    FLAG(showWelcome, 0, kNeedsWelcome)                        \
    FLAG(welcomeAsDialog, kNeedsWelcome, kNeedsWelcomeDialog)  \
    TEXT(exitCaption, kNeedsWelcome | kNeedsWelcomeDialog)     \
    TEXT(continueCaption, kNeedsWelcome | kNeedsWelcomeDialog) \
    TEXT(welcomeText, kNeedsWelcome)                           \
    TEXT(requiredEngineVersion, 0)                             \
    TEXT(engineMissingText, 0)                                 \
    TEXT(engineDownloadTarget, 0)                              \
    TEXT(diskSpaceText, 0)                                     \
    FLAG(showProgress, 0, kNeedsProgress)                      \
    TEXT(dialogHeading, kNeedsProgress)                        \
    TEXT(progressText, kNeedsProgress)                         \
    TEXT(cancelCaption, kNeedsProgress)                        \
    TEXT(cancelQuestion, kNeedsProgress)

#define BOXLIFT_COUNT_FIELD(...) +1
const unsigned kSettingsFieldCount =
    0 BOXLIFT_SETTINGS_FIELDS(BOXLIFT_COUNT_FIELD, BOXLIFT_COUNT_FIELD);
#undef BOXLIFT_COUNT_FIELD

#endif
