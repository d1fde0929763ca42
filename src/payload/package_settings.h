// The settings block in memory. Every text is none or a heap copy of exactly
// its length + 1 bytes; every flag is 0 or 1. Absent fields keep none / 0.
#ifndef BOXLIFT_PACKAGE_SETTINGS_H
#define BOXLIFT_PACKAGE_SETTINGS_H

#include <stdint.h>

struct PackageSettings {
    char* title;
    char* errorText;
    int32_t showWelcome;
    int32_t welcomeAsDialog;
    char* continueCaption;
    char* exitCaption;
    char* welcomeText;
    char* requiredEngineVersion;
    char* engineMissingText;
    char* engineDownloadTarget;
    char* diskSpaceText;
    int32_t showProgress;
    char* dialogHeading;
    char* progressText;
    char* cancelCaption;
    char* cancelQuestion;
};

extern PackageSettings packageSettings;

#endif
