// pellorin-samplegen: draws the sample office floor plan and records a small
// synthetic survey into a site file, so that the samples in samples/ are made
// by the project itself and can be made again (samples/make-samples.sh).
//
//   pellorin-samplegen plan -o office.png
//   pellorin-samplegen survey office.hss -o office-surveyed.hss

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStringList>
#include <cstdio>

#include "SampleGen.h"

int main(int argc, char** argv) {
    // Painting text needs the font database, not a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 3 && args[0] == "plan" && args[1] == "-o") return DrawOfficePlan(args[2]);
    if (args.size() == 4 && args[0] == "survey" && args[2] == "-o")
        return RecordSampleSurvey(args[1], args[3]);
    std::fputs(
        "Usage:\n  pellorin-samplegen plan -o PNG\n"
        "  pellorin-samplegen survey SITE -o OUT\n",
        stderr);
    return 2;
}
