// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/cli.h"

#include "engine/adjustment_kind.h"
#include "engine/pipeline.h"
#include "engine/save_results.h"
#include "core/codec/codec.h"
#include "core/memory_budget.h"
#include "core/paths.h"
#include "core/output_format.h"
#include "core/saver.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <mutex>
#include <thread>

namespace lumivex {

bool isBatchCommandLine(const QStringList &arguments)
{
    for (const QString &a : arguments.mid(1)) {
        if (a == QLatin1String("--"))
            return false;
        if (a == QLatin1String("--adjust") || a.startsWith(QLatin1String("--adjust=")))
            return true;
    }
    return false;
}

namespace {

// The --format words, from the one table of output formats.
QString formatNames(QChar separator)
{
    QStringList names;
    for (const OutputFormatInfo &info : outputFormats())
        names << QLatin1String(info.name);
    return names.join(separator);
}

QString formatHelp()
{
    QStringList parts;
    for (const OutputFormatInfo &info : outputFormats())
        parts << QStringLiteral("%1 (%2%3)")
                     .arg(QLatin1String(info.name), info.format == OutputFormat::Jpeg ? QStringLiteral("default, ") : QString(),
                          QLatin1String(info.help));
    return parts.join(QStringLiteral(", ")) + QLatin1Char('.');
}

// The options of the batch; the window's command line knows them too, so that it can tell a
// batch option given without --adjust from a mistyped one.
struct BatchOptions {
    QCommandLineOption adjust{QStringLiteral("adjust"),
                              adjustmentRangeList() +
                                  QStringLiteral(". Repeat --adjust KIND --strength N to apply several, in the order given."),
                              QStringLiteral("kind")};
    QCommandLineOption strength{QStringLiteral("strength"), QStringLiteral("The slider value, one for each --adjust."),
                                QStringLiteral("n")};
    QCommandLineOption output{QStringLiteral("output"), QStringLiteral("The existing folder to write to."), QStringLiteral("dir")};
    QCommandLineOption format{QStringLiteral("format"), formatHelp(), QStringLiteral("format"), QStringLiteral("jpg")};
    QCommandLineOption quality{QStringLiteral("quality"),
                               QStringLiteral("JPEG, WebP, JPEG XL, HEIC and AVIF quality 1..100 (default 100; JPEG XL "
                                              "at 100 is lossless)."),
                               QStringLiteral("q"), QStringLiteral("100")};
    QCommandLineOption jobs{QStringLiteral("jobs"), QStringLiteral("Pictures worked on at once (default: all cores)."),
                            QStringLiteral("n")};
    QCommandLineOption ext{QStringLiteral("ext"),
                           QStringLiteral("In folders, only files ending in .EXT (any case); several as jpg,png,heic."),
                           QStringLiteral("ext")};
    QCommandLineOption memory{QStringLiteral("memory"),
                              QStringLiteral("Megabytes the pictures being worked on may take together (default: half of memory)."),
                              QStringLiteral("mb")};
    QCommandLineOption quiet{QStringLiteral("quiet"), QStringLiteral("No progress line and no closing summary.")};
    QCommandLineOption noClobber{QStringLiteral("no-clobber"),
                                 QStringLiteral("Keep files already in DIR: such a picture is not written.")};
    QCommandLineOption keepTree{QStringLiteral("keep-tree"),
                                QStringLiteral("For a folder given, write into the same subfolders under DIR.")};
    QCommandLineOption null{QStringList{QStringLiteral("0"), QStringLiteral("null")},
                            QStringLiteral("Paths read from standard input are separated by NUL, not by line ends (find -print0).")};

    // Options only a batch uses; `null` serves the window's "-" as well.
    QList<const QCommandLineOption *> batchOnly() const
    {
        return {&strength, &output, &format, &quality, &jobs, &ext, &memory, &quiet, &noClobber, &keepTree};
    }

    void addTo(QCommandLineParser &parser) const
    {
        // Single-dash words are whole options, as Qt's own (-style, -platform) are.
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        // Our own help and version: Qt's would describe options of its own this program does
        // not list.
        parser.addOption(QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")},
                                            QStringLiteral("Shows this help and exits.")));
        QCommandLineOption helpAll(QStringLiteral("help-all"));
        helpAll.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(helpAll);
        parser.addOption(QCommandLineOption({QStringLiteral("v"), QStringLiteral("version")},
                                            QStringLiteral("Shows the program's name and version and exits.")));
        parser.addOptions({adjust, strength, output, format, quality, jobs, ext, memory, quiet, noClobber, keepTree, null});
        parser.addPositionalArgument(QStringLiteral("paths"),
                                     QStringLiteral("Files, folders or file:// URIs; - reads paths from standard input."),
                                     QStringLiteral("PATH..."));
    }
};

// What QApplication takes for itself; accepted here so a window can still be given them.
void addToolkitOptions(QCommandLineParser &parser)
{
    for (const char *name : {"platform", "platformpluginpath", "platformtheme", "plugin", "style", "stylesheet",
                             "display", "geometry", "qwindowgeometry", "qwindowtitle", "qwindowicon", "session",
                             "name", "title", "visual"}) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char *name : {"reverse", "nograb", "dograb"}) {
        QCommandLineOption option{QString::fromLatin1(name)};
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

QString helpText(const QCommandLineParser &parser)
{
    QString options = parser.helpText();
    options = options.mid(options.indexOf(QLatin1String("Options:")));
    QStringList resultWords;
    for (const AdjustmentInfo &info : allAdjustments())
        resultWords << QLatin1String(info.resultWord);
    return QStringLiteral(
               "Usage: lumivex [PATH...]\n"
               "       lumivex --adjust KIND --strength N [--adjust KIND --strength N ...] --output DIR [OPTION...] PATH...\n"
               "\n"
               "Applies one adjustment - %1 - to a whole list of pictures.\n"
               "\n"
               "Without --adjust, opens the window with every PATH in its list, as if dropped on it.\n"
               "With --adjust, works without a window or display: each picture is adjusted and written into\n"
               "DIR as NAME-%2.jpg (%3; several adjustments in a row give\n"
               "NAME-%2-%4.jpg); a picture that fails is reported as 'PATH: reason' and the\n"
               "others go on.\n"
               "\n"
               "A PATH is a file, a folder (every file of its tree), a file:// URI, or - to read paths from\n"
               "standard input, one per line (NUL-separated with -0).\n"
               "\n"
               "Exit status: 0 all written (or the window closed), 1 some pictures failed, 2 usage error,\n"
               "130/143 stopped by SIGINT/SIGTERM (every file written is complete).\n"
               "\n")
               .arg(adjustmentNameList(), resultWords.first(), resultWords.mid(1).join(QLatin1String(", ")),
                    resultWords.last())
        + options;
}

// A reason that ends by naming the file its line already begins with, without that ending.
QString withoutPath(const QString &reason, const QString &path)
{
    const QString ending = QStringLiteral(": ") + path;
    return reason.endsWith(ending) && reason.size() > ending.size() ? reason.chopped(ending.size()) : reason;
}

// "0.4 s", "12 s", "3 min 05 s", "1 h 02 min".
QString durationText(double seconds)
{
    if (!(seconds >= 0) || seconds > 1e7)
        seconds = 0;
    if (seconds < 10)
        return QString::number(seconds, 'f', 1) + QStringLiteral(" s");
    const qint64 whole = qint64(seconds + 0.5);
    if (whole < 60)
        return QStringLiteral("%1 s").arg(whole);
    if (whole < 3600)
        return QStringLiteral("%1 min %2 s").arg(whole / 60).arg(whole % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1 h %2 min").arg(whole / 3600).arg(whole / 60 % 60, 2, 10, QLatin1Char('0'));
}

int usageError(QTextStream &errors, const QString &message)
{
    errors << "lumivex: " << message << "\n" << "Try 'lumivex --help'.\n";
    errors.flush();
    return CliUsageError;
}

// Paths from standard input: one a line (blank lines skipped), or NUL-separated, where a path
// may hold any character but NUL, line ends included. Read from a device (the real standard
// input) the names are taken by their bytes, as arguments are, so a name that is not valid text
// still opens.
QStringList readPathList(QTextStream &input, bool nulSeparated)
{
    QStringList paths;
    if (QIODevice *device = input.device()) {
        const QByteArray bytes = device->readAll();
        for (const QByteArray &part : bytes.split(nulSeparated ? '\0' : '\n')) {
            const QByteArray name = nulSeparated || !part.endsWith('\r') ? part : part.chopped(1);
            if (!name.trimmed().isEmpty())
                paths << pathFromArgument(fileNameFromBytes(name));
        }
        return paths;
    }
    if (nulSeparated) {
        const QStringList parts = input.readAll().split(QChar(0), Qt::SkipEmptyParts);
        for (const QString &part : parts)
            paths << pathFromArgument(part);
        return paths;
    }
    QString line;
    while (input.readLineInto(&line)) {
        if (!line.trimmed().isEmpty())
            paths << pathFromArgument(line);
    }
    return paths;
}

// What the command line could not take up before any picture was read: each one is a line of
// its own and a failure of the batch.
struct Skipped {
    QString path;
    QString reason;
};

// Folders expand as a drop does: every file of the tree, "~" names skipped, or only *.EXT. A
// folder that cannot be read, a file that is not a regular file, a link leading back into the
// walk and a folder that holds nothing to take all count as failures, not silence.
// `subfolders` gets, for each path, the folder it lies in relative to the folder given (empty
// for a file given itself, or one at the top of its folder).
QStringList expandPaths(const QStringList &arguments, const QStringList &exts, bool nulSeparated, QTextStream &input,
                        std::vector<Skipped> &skipped, QStringList &subfolders)
{
    QStringList paths;
    ScanReport report;
    report.keepUndecodableNames = true; // opened by their bytes
    report.problem = [&](const QString &path, const QString &reason) { skipped.push_back({path, reason}); };
    auto add = [&](const QString &given) {
        const QString path = QFileInfo(given).absoluteFilePath();
        if (!QFileInfo(path).isDir()) {
            paths << path;
            subfolders << QString();
            return;
        }
        const std::size_t problemsBefore = skipped.size();
        // One walk per extension asked for, a file taken once however many name it.
        QStringList found;
        if (exts.isEmpty()) {
            found = ScanFolderTree(path, QStringLiteral("*.*"), {}, report);
        } else {
            QSet<QString> seen;
            for (const QString &ext : exts)
                for (const QString &file : ScanFolderTree(path, QStringLiteral("*.") + ext, {}, report))
                    if (!seen.contains(file)) {
                        seen.insert(file);
                        found << file;
                    }
        }
        if (found.isEmpty() && skipped.size() == problemsBefore)
            skipped.push_back({path, exts.isEmpty() ? QStringLiteral("no file found in the folder")
                                                    : QStringLiteral("no file ending in .%1 found in the folder")
                                                          .arg(exts.join(QStringLiteral(", ."))) });
        paths += found;
        const QDir root(QDir::cleanPath(path));
        for (const QString &file : found) {
            QString relative = root.relativeFilePath(QFileInfo(file).absolutePath());
            // Only folders inside the one given are mirrored; nothing may point outside DIR.
            if (relative == QLatin1String(".") || relative.startsWith(QLatin1String("..")) ||
                QDir::isAbsolutePath(relative))
                relative.clear();
            subfolders << relative;
        }
    };
    for (const QString &argument : arguments) {
        if (argument == QLatin1String("-")) {
            for (const QString &path : readPathList(input, nulSeparated))
                add(path);
        } else if (!argument.isEmpty()) {
            add(pathFromArgument(argument));
        }
    }
    return paths;
}

std::atomic<bool> stopRequested{false};
volatile std::sig_atomic_t stopSignal = 0;

extern "C" void requestStop(int signal)
{
    stopSignal = signal;
    stopRequested.store(true);
}

// While it lives, SIGINT and SIGTERM stop the batch between pictures rather than in the middle
// of one: the pictures in hand are finished and put in place, and no further one is started. A
// second signal ends the program at once, which leaves nothing either, since a file not yet in
// place has no name.
class StopOnSignals {
public:
    StopOnSignals()
    {
        stopSignal = 0;
        stopRequested.store(false);
        struct sigaction action {};
        action.sa_handler = requestStop;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART | SA_RESETHAND;
        // A signal the program was started to ignore (a background job of a script) stays ignored.
        for (auto [signal, old] : {std::pair{SIGINT, &m_interrupt}, std::pair{SIGTERM, &m_terminate}}) {
            sigaction(signal, nullptr, old);
            if (old->sa_handler != SIG_IGN)
                sigaction(signal, &action, nullptr);
        }
    }
    ~StopOnSignals()
    {
        sigaction(SIGINT, &m_interrupt, nullptr);
        sigaction(SIGTERM, &m_terminate, nullptr);
    }
    // The signal that stopped the batch, 0 when none did.
    int signal() const { return stopSignal; }

private:
    struct sigaction m_interrupt {};
    struct sigaction m_terminate {};
};

} // namespace

CommandLineRequest readCommandLine(const QStringList &arguments, QTextStream &input, QTextStream &output,
                                   QTextStream &errors)
{
    CommandLineRequest request;
    const BatchOptions options;
    QCommandLineParser parser;
    options.addTo(parser);
    addToolkitOptions(parser);
    if (!parser.parse(arguments)) {
        request.status = usageError(errors, parser.errorText());
        return request;
    }
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
        output << helpText(parser);
        output.flush();
        return request;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        output << "lumivex " << QCoreApplication::applicationVersion() << "\n";
        output.flush();
        return request;
    }
    if (parser.isSet(options.adjust)) {
        request.mode = CommandLineRequest::Mode::Batch;
        return request;
    }
    for (const QCommandLineOption *option : options.batchOnly()) {
        if (parser.isSet(*option)) {
            request.status = usageError(errors, QStringLiteral("--%1 works only with --adjust").arg(option->names().constLast()));
            return request;
        }
    }
    request.mode = CommandLineRequest::Mode::Window;
    const bool nulSeparated = parser.isSet(options.null);
    for (const QString &argument : parser.positionalArguments()) {
        if (argument == QLatin1String("-"))
            request.paths += readPathList(input, nulSeparated);
        else if (!argument.isEmpty())
            request.paths << pathFromArgument(argument);
    }
    return request;
}

int runBatchCommandLine(const QStringList &arguments, QTextStream &input, QTextStream &errors,
                        bool errorsIsTerminal)
{
    const BatchOptions options;
    const QCommandLineOption &adjust = options.adjust, &strength = options.strength, &output = options.output,
                             &format = options.format, &quality = options.quality, &jobs = options.jobs,
                             &ext = options.ext, &memory = options.memory, &quiet = options.quiet,
                             &noClobber = options.noClobber, &keepTree = options.keepTree;
    QCommandLineParser parser;
    options.addTo(parser);
    auto usage = [&](const QString &message) { return usageError(errors, message); };
    if (!parser.parse(arguments))
        return usage(parser.errorText());

    // --adjust and --strength come in pairs, applied in the order given.
    const QStringList kinds = parser.values(adjust), strengths = parser.values(strength);
    std::vector<AdjustmentStep> chain;
    bool ok = false;
    for (int k = 0; k < kinds.size(); ++k) {
        AdjustmentKind kind;
        if (!adjustmentFromName(kinds[k], &kind))
            return usage(QStringLiteral("unknown adjustment '%1': use %2").arg(kinds[k], adjustmentNameList()));
        const AdjustmentInfo &info = adjustmentInfo(kind);
        const int value = k < strengths.size() ? strengths[k].toInt(&ok) : 0;
        if (k >= strengths.size() || !ok || value < info.minimum || value > info.maximum)
            return usage(QStringLiteral("--strength for %1 must be a whole number from %2 to %3")
                             .arg(QLatin1String(info.name)).arg(info.minimum).arg(info.maximum));
        chain.push_back({kind, value});
    }
    if (chain.empty())
        return usage(QStringLiteral("--adjust KIND --strength N is needed"));
    if (strengths.size() > kinds.size())
        return usage(QStringLiteral("each --strength needs an --adjust before it"));
    const QString folder = parser.value(output);
    if (!parser.isSet(output) || !outputFolderExists(folder))
        return usage(QStringLiteral("--output must name an existing folder%1")
                         .arg(folder.isEmpty() ? QString() : QStringLiteral(": ") + folder));
    const OutputFormatInfo *chosenFormat = outputFormatNamed(parser.value(format));
    if (!chosenFormat)
        return usage(QStringLiteral("--format must be one of %1").arg(formatNames(QLatin1Char(' '))));
    // "--ext .jpg", "--ext jpg,png" and "--ext jpg --ext png" alike.
    QStringList exts;
    for (const QString &value : parser.values(ext))
        for (QString one : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            one = one.trimmed();
            while (one.startsWith(QLatin1Char('.')))
                one.remove(0, 1);
            if (one.isEmpty() || one.contains(QLatin1Char('/')) || one.contains(QLatin1Char('*')) ||
                one.contains(QLatin1Char('?')) || one.contains(QLatin1Char('[')))
                return usage(QStringLiteral("--ext takes extensions such as jpg or .jpg, several as jpg,png"));
            if (!exts.contains(one, Qt::CaseInsensitive))
                exts << one;
        }
    if (parser.isSet(ext) && exts.isEmpty())
        return usage(QStringLiteral("--ext takes extensions such as jpg or .jpg, several as jpg,png"));
    const int q = parser.value(quality).toInt(&ok);
    if (!ok || q < 1 || q > 100)
        return usage(QStringLiteral("--quality must be a whole number from 1 to 100"));
    int workers = int(std::max(1u, std::thread::hardware_concurrency()));
    if (parser.isSet(jobs)) {
        workers = parser.value(jobs).toInt(&ok);
        if (!ok || workers < 1 || workers > 1024)
            return usage(QStringLiteral("--jobs must be a whole number from 1 to 1024"));
    }
    std::size_t budgetBytes = MemoryBudget::defaultTotal();
    if (parser.isSet(memory)) {
        const qint64 mb = parser.value(memory).toLongLong(&ok);
        if (!ok || mb < 1 || mb > (qint64(1) << 30))
            return usage(QStringLiteral("--memory must be a whole number of megabytes from 1 to 1073741824"));
        budgetBytes = std::size_t(mb) << 20;
    }
    if (parser.positionalArguments().isEmpty())
        return usage(QStringLiteral("no pictures given"));

    SaveSettings settings;
    settings.folder = folder;
    settings.format = chosenFormat->format;
    settings.quality = q;
    settings.resultWord = chainResultWord(chain);

    std::vector<Skipped> skipped;
    SaveLayout layout;
    const QStringList sources =
        expandPaths(parser.positionalArguments(), exts, parser.isSet(options.null), input, skipped, layout.subfolders);
    if (!parser.isSet(keepTree))
        layout.subfolders.clear();
    layout.keepExisting = parser.isSet(noClobber);
    // Names are printed with the bytes that are not valid text escaped as \xNN.
    for (const Skipped &s : skipped)
        errors << printableFileName(s.path) << ": " << printableFileName(withoutPath(s.reason, s.path)) << "\n";
    if (sources.isEmpty() && skipped.empty())
        errors << "lumivex: no pictures found\n";
    errors.flush();

    std::mutex reportMutex;
    std::atomic<int> done{0}, failed{0}, kept{0};
    const int total = int(sources.size());
    const bool progress = errorsIsTerminal && !parser.isSet(quiet);
    QElapsedTimer clock;
    clock.start();

    // Each picture goes the way a window run's does, decoded and adjusted where it is written.
    auto produce = [&](int i) { return sourceToChainResult(sources[i], chain); };
    // A JPEG written as JPEG with one adjustment goes from decoder to encoder a band of rows at
    // a time, never held whole; anything else is decoded whole first.
    std::function<bool(int, const QString &, QString *)> direct;
    const FileIdentitySet protectedFiles(sources);
    if ((settings.format == OutputFormat::Jpeg || settings.format == OutputFormat::Keep) && chain.size() == 1)
        direct = [&](int i, const QString &path, QString *note) {
            return saveAdjustedStreamed(sources[i], chain.front(), path, settings, protectedFiles, note);
        };
    // Absolute on both sides: a folder given relative to the current one names it the same.
    const QDir outputDir(QFileInfo(folder).absoluteFilePath());
    auto written = [&](int i, const SaveOutcome &outcome) {
        const int finished = ++done;
        QStringList lines;
        if (outcome.keptExisting)
            lines << outcome.path + QStringLiteral(": exists");
        else if (!outcome.written)
            lines << sources[i] + QStringLiteral(": ") + withoutPath(outcome.detail, sources[i]);
        if (outcome.written && outcome.renamed)
            lines << sources[i] + QStringLiteral(": saved as ") + outputDir.relativeFilePath(QFileInfo(outcome.path).absoluteFilePath());
        if (outcome.written && !outcome.note.isEmpty())
            lines << sources[i] + QStringLiteral(": ") + outcome.note;
        std::lock_guard<std::mutex> lock(reportMutex);
        if (outcome.keptExisting)
            ++kept;
        else if (!outcome.written)
            ++failed;
        if (!lines.isEmpty()) {
            if (progress)
                errors << "\r\033[K";
            for (const QString &line : lines)
                errors << printableFileName(line) << "\n";
        }
        if (progress) {
            const double seconds = std::max(1e-9, clock.nsecsElapsed() / 1e9);
            const double rate = finished / seconds;
            errors << "\r" << finished << "/" << total << " pictures (" << (finished * 100 / std::max(1, total))
                   << "%), " << QString::number(rate, 'f', 1) << " per second, "
                   << durationText((total - finished) / rate) << " left";
        }
        errors.flush();
    };
    int stoppedBy = 0;
    {
        // However many workers there are, the pictures they hold together stay within one budget:
        // a picture waits for room, or is refused when it could not fit even alone. A
        // neighbourhood filter needs its result beside the picture it reads.
        const bool filters = std::any_of(chain.begin(), chain.end(), [](const AdjustmentStep &step) {
            return adjustmentInfo(step.kind).usesSourceCopy();
        });
        // The encoder's working memory is reserved with the picture it will encode; with keep,
        // for the most demanding of the formats this batch's sources are kept in.
        std::vector<PictureFormat> encoders;
        if (settings.format == OutputFormat::Keep) {
            for (const QString &source : sources) {
                const PictureFormat kept = outputFormatInfo(resolvedOutputFormat(OutputFormat::Keep, source))->encoder;
                if (std::find(encoders.begin(), encoders.end(), kept) == encoders.end())
                    encoders.push_back(kept);
            }
        } else {
            encoders.push_back(outputFormatInfo(settings.format)->encoder);
        }
        const int quality = settings.quality;
        const PixelBudgetScope budget(std::make_shared<MemoryBudget>(budgetBytes), filters ? 2 : 1,
                                      [encoders, quality](const QSize &size) {
                                          std::size_t most = 0;
                                          for (PictureFormat encoder : encoders)
                                              most = std::max(most, encoderWorkingBytes(encoder, size, {}, quality));
                                          return most;
                                      });
        layout.largestFirst = true;
        const StopOnSignals stopOnSignals;
        saveItems(settings, sources, sources, produce, written, workers, &stopRequested, layout, direct);
        stoppedBy = stopOnSignals.signal();
    }
    if (progress)
        errors << "\r\033[K";
    if (stoppedBy != 0) {
        errors << "lumivex: stopped by " << (stoppedBy == SIGINT ? "SIGINT" : "SIGTERM") << " after " << done.load()
               << " of " << total << " pictures; every file written is complete\n";
        errors.flush();
        return 128 + stoppedBy;
    }
    if (!parser.isSet(quiet)) {
        errors << (done - failed - kept) << " written, " << (failed + int(skipped.size())) << " failed";
        if (layout.keepExisting)
            errors << ", " << kept << " kept";
        errors << " in " << durationText(clock.nsecsElapsed() / 1e9) << "\n";
    }
    errors.flush();
    return kept > 0 || failed > 0 || !skipped.empty() || sources.isEmpty() ? CliSomeFailed : CliAllWritten;
}

} // namespace lumivex
