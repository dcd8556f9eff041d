#pragma once

#include "engine/result_list.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace lumivex {

enum class OutputFormat { Bmp, Jpeg };

// The output file name for a source: its file name without the last extension, "-", the
// result word, "." and "bmp" or "jpg". A name without any "." keeps the whole name as stem.
QString outputFileName(const QString &sourcePath, const QString &resultWord, OutputFormat format);

// True when the text names an existing folder (with or without a trailing separator).
bool outputFolderExists(const QString &folderText);

struct SaveSettings {
    QString folder;
    OutputFormat format = OutputFormat::Jpeg;
    int quality = 100;
    QString resultWord;
};

// What became of one item: written, or the step that failed and why.
struct SaveOutcome {
    QString path;
    bool written = false;
    int step = 0;
    QString failure;
    QString note; // written, but without the source's camera data
};

// Writes one result; throws StepFailure with the reason. Refuses to write over a source file
// and refuses a result that holds no picture. JPEG results carry their source's camera data;
// the returned note says when that could not be done.
QString saveOneResult(const ResultPicture &picture, const QString &path, const SaveSettings &settings,
                      const QString &sourcePath, const QStringList &sourcePaths);

// Saves every result, encoding on `workers` threads. Items that name the same file are written
// in list order, so the later one wins as it would one after the other. One outcome per item,
// in list order.
std::vector<SaveOutcome> saveResults(const SaveSettings &settings, const QStringList &sourcePaths,
                                     const ResultList &results, int workers = 0);

} // namespace lumivex
