#ifndef BOXLIFT_EXTRACT_WIN_H
#define BOXLIFT_EXTRACT_WIN_H

// Sets tempPackagePath to a name in targetDir that cannot be opened, going
// on with the run's name search. False after a confirmed cancel, once all
// 255 names have been seen taken, or when targetDir is too long for a name.
bool PickTempPackageName();

// Writes the package from the chunk stream into a new file in targetDir.
// True when the whole package is written and closed. A failed extraction
// that created its file marks it for deletion by the driver's clean-up.
bool ExtractPackage();

#endif
