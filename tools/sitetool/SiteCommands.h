#pragma once
// The subcommands of pellorin-site. Each returns the process exit status:
// 0 done, 1 a file the tool cannot accept (the reason on stderr, in the words
// Open uses), 2 a usage error.

#include <QString>

int RunInfo(const QString& sitePath);
int RunPoints(const QString& sitePath);
int RunCreate(const QString& imagePath, const QString& outPath, bool signatureFirst);
