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
#include <malloc.h>
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

namespace {

// What a batch command line asks for, once every option has been checked.
struct BatchRequest {
    std::vector<AdjustmentStep> chain;
    QString folder;
    const OutputFormatInfo *format = nullptr;
    QStringList exts;
    int quality = 100;
    int workers = 1;
    std::size_t budgetBytes = 0;
    bool memoryGiven = false;
};

// --adjust and --strength come in pairs, applied in the order given. An empty text when they
// are sound, else the usage error.
QString readChain(const QCommandLineParser &parser, const BatchOptions &options, std::vector<AdjustmentStep> &chain)
{
    const QStringList kinds = parser.values(options.adjust), strengths = parser.values(options.strength);
    bool ok = false;
    for (int k = 0; k < kinds.size(); ++k) {
        AdjustmentKind kind;
        if (!adjustmentFromName(kinds[k], &kind))
            return QStringLiteral("unknown adjustment '%1': use %2").arg(kinds[k], adjustmentNameList());
        const AdjustmentInfo &info = adjustmentInfo(kind);
        const int value = k < strengths.size() ? strengths[k].toInt(&ok) : 0;
        if (k >= strengths.size() || !ok || value < info.minimum || value > info.maximum)
            return QStringLiteral("--strength for %1 must be a whole number from %2 to %3")
                .arg(QLatin1String(info.name)).arg(info.minimum).arg(info.maximum);
        chain.push_back({kind, value});
    }
    if (chain.empty())
        return QStringLiteral("--adjust KIND --strength N is needed");
    if (strengths.size() > kinds.size())
        return QStringLiteral("each --strength needs an --adjust before it");
    return QString();
}

// "--ext .jpg", "--ext jpg,png" and "--ext jpg --ext png" alike.
QString readExtensions(const QCommandLineParser &parser, const BatchOptions &options, QStringList &exts)
{
    const QString wrong = QStringLiteral("--ext takes extensions such as jpg or .jpg, several as jpg,png");
    for (const QString &value : parser.values(options.ext))
        for (QString one : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            one = one.trimmed();
            while (one.startsWith(QLatin1Char('.')))
                one.remove(0, 1);
            if (one.isEmpty() || one.contains(QLatin1Char('/')) || one.contains(QLatin1Char('*')) ||
                one.contains(QLatin1Char('?')) || one.contains(QLatin1Char('[')))
                return wrong;
            if (!exts.contains(one, Qt::CaseInsensitive))
                exts << one;
        }
    if (parser.isSet(options.ext) && exts.isEmpty())
        return wrong;
    return QString();
}

// --quality, --jobs and --memory.
QString readNumbers(const QCommandLineParser &parser, const BatchOptions &options, BatchRequest &request)
{
    bool ok = false;
    request.quality = parser.value(options.quality).toInt(&ok);
    if (!ok || request.quality < 1 || request.quality > 100)
        return QStringLiteral("--quality must be a whole number from 1 to 100");
    request.workers = int(std::max(1u, std::thread::hardware_concurrency()));
    if (parser.isSet(options.jobs)) {
        request.workers = parser.value(options.jobs).toInt(&ok);
        if (!ok || request.workers < 1 || request.workers > 1024)
            return QStringLiteral("--jobs must be a whole number from 1 to 1024");
    }
    request.budgetBytes = MemoryBudget::defaultTotal();
    if (parser.isSet(options.memory)) {
        const qint64 mb = parser.value(options.memory).toLongLong(&ok);
        if (!ok || mb < 1 || mb > (qint64(1) << 30))
            return QStringLiteral("--memory must be a whole number of megabytes from 1 to 1073741824");
        request.budgetBytes = std::size_t(mb) << 20;
        request.memoryGiven = true;
    }
    return QString();
}

// The options in the order they are checked, so the first fault met is the one told.
QString readBatchRequest(const QCommandLineParser &parser, const BatchOptions &options, BatchRequest &request)
{
    QString fault = readChain(parser, options, request.chain);
    if (!fault.isEmpty())
        return fault;
    request.folder = parser.value(options.output);
    if (!parser.isSet(options.output) || !outputFolderExists(request.folder))
        return QStringLiteral("--output must name an existing folder%1")
            .arg(request.folder.isEmpty() ? QString() : QStringLiteral(": ") + request.folder);
    request.format = outputFormatNamed(parser.value(options.format));
    if (!request.format)
        return QStringLiteral("--format must be one of %1").arg(formatNames(QLatin1Char(' ')));
    fault = readExtensions(parser, options, request.exts);
    if (fault.isEmpty())
        fault = readNumbers(parser, options, request);
    if (fault.isEmpty() && parser.positionalArguments().isEmpty())
        fault = QStringLiteral("no pictures given");
    return fault;
}

// Tells each picture's outcome as it is finished, with a progress line on a terminal, and
// counts what the closing summary says.
class BatchProgress {
public:
    BatchProgress(const QStringList &sources, const QString &folder, QTextStream &errors, bool progress)
        : m_sources(sources), m_errors(errors), m_progress(progress), m_total(int(sources.size())),
          // Absolute on both sides: a folder given relative to the current one names it the same.
          m_outputDir(QFileInfo(folder).absoluteFilePath())
    {
        m_clock.start();
    }

    void written(int i, const SaveOutcome &outcome)
    {
        const int finished = ++m_done;
        const QStringList lines = outcomeLines(i, outcome);
        std::lock_guard<std::mutex> lock(m_mutex);
        if (outcome.keptExisting)
            ++m_kept;
        else if (!outcome.written)
            ++m_failed;
        if (!lines.isEmpty()) {
            if (m_progress)
                m_errors << "\r\033[K";
            for (const QString &line : lines)
                m_errors << printableFileName(line) << "\n";
        }
        if (m_progress) {
            const double seconds = std::max(1e-9, m_clock.nsecsElapsed() / 1e9);
            const double rate = finished / seconds;
            m_errors << "\r" << finished << "/" << m_total << " pictures (" << (finished * 100 / std::max(1, m_total))
                     << "%), " << QString::number(rate, 'f', 1) << " per second, "
                     << durationText((m_total - finished) / rate) << " left";
        }
        m_errors.flush();
    }

    int done() const { return m_done; }
    int failed() const { return m_failed; }
    int kept() const { return m_kept; }
    double seconds() const { return m_clock.nsecsElapsed() / 1e9; }
    int total() const { return m_total; }

private:
    QStringList outcomeLines(int i, const SaveOutcome &outcome) const
    {
        const QString &source = m_sources[i];
        QStringList lines;
        if (outcome.keptExisting)
            lines << outcome.path + QStringLiteral(": exists");
        else if (!outcome.written)
            lines << source + QStringLiteral(": ") + withoutPath(outcome.detail, source);
        if (outcome.written && outcome.renamed)
            lines << source + QStringLiteral(": saved as ") +
                         m_outputDir.relativeFilePath(QFileInfo(outcome.path).absoluteFilePath());
        if (outcome.written && !outcome.note.isEmpty())
            lines << source + QStringLiteral(": ") + outcome.note;
        return lines;
    }

    const QStringList &m_sources;
    QTextStream &m_errors;
    const bool m_progress;
    const int m_total;
    const QDir m_outputDir;
    QElapsedTimer m_clock;
    std::mutex m_mutex;
    std::atomic<int> m_done{0}, m_failed{0}, m_kept{0};
};

// The encoders a batch's results go through: with keep, each format its sources are kept in.
std::vector<PictureFormat> batchEncoders(const SaveSettings &settings, const QStringList &sources)
{
    std::vector<PictureFormat> encoders;
    if (settings.format != OutputFormat::Keep)
        return {outputFormatInfo(settings.format)->encoder};
    for (const QString &source : sources) {
        const PictureFormat kept = outputFormatInfo(resolvedOutputFormat(OutputFormat::Keep, source))->encoder;
        if (std::find(encoders.begin(), encoders.end(), kept) == encoders.end())
            encoders.push_back(kept);
    }
    return encoders;
}

// Saves every picture within one memory budget; the signal that stopped the batch, or 0.
int saveBatch(const BatchRequest &request, const SaveSettings &settings, const QStringList &sources,
              SaveLayout &layout, BatchProgress &report)
{
    const std::vector<AdjustmentStep> &chain = request.chain;
    // Each picture is made from its file where it is written, as a window's recipe is.
    std::vector<SaveItem> items;
    items.reserve(std::size_t(sources.size()));
    for (const QString &source : sources)
        items.push_back(SaveItem::made(source, SourceRecipe{source, std::nullopt, chain}));
    auto written = [&report](int i, const SaveOutcome &outcome) { report.written(i, outcome); };
    // However many workers there are, the pictures they hold together stay within one budget:
    // a picture waits for room, or is refused when it could not fit even alone. A
    // neighbourhood filter needs its result beside the picture it reads.
    const bool filters = std::any_of(chain.begin(), chain.end(), [](const AdjustmentStep &step) {
        return adjustmentInfo(step.kind).usesSourceCopy();
    });
    // The encoder's working memory is reserved with the picture it will encode; with keep,
    // for the most demanding of the formats this batch's sources are kept in.
    const std::vector<PictureFormat> encoders = batchEncoders(settings, sources);
    const int quality = settings.quality;
    const PixelBudgetScope budget(std::make_shared<MemoryBudget>(request.budgetBytes), filters ? 2 : 1,
                                  [encoders, quality](const QSize &size) {
                                      std::size_t most = 0;
                                      for (PictureFormat encoder : encoders)
                                          most = std::max(most, encoderWorkingBytes(encoder, size, {}, quality));
                                      return most;
                                  });
    // The budget counts what an encoder asks for, but the C library keeps what a worker's encoder
    // freed in that thread's own arena for its next one, which no budget sees: with several
    // workers the AV1 and JPEG XL encoders' hundreds of megabytes each would stay held. Where a
    // bound was asked for, every thread shares one arena, so freed memory serves whichever
    // encoder runs next.
    if (request.memoryGiven)
        mallopt(M_ARENA_MAX, 1);
    layout.largestFirst = true;
    const StopOnSignals stopOnSignals;
    saveItems(settings, items, sources, written, request.workers, &stopRequested, layout);
    return stopOnSignals.signal();
}

} // namespace

int runBatchCommandLine(const QStringList &arguments, QTextStream &input, QTextStream &errors,
                        bool errorsIsTerminal)
{
    const BatchOptions options;
    QCommandLineParser parser;
    options.addTo(parser);
    if (!parser.parse(arguments))
        return usageError(errors, parser.errorText());
    BatchRequest request;
    const QString fault = readBatchRequest(parser, options, request);
    if (!fault.isEmpty())
        return usageError(errors, fault);

    SaveSettings settings;
    settings.folder = request.folder;
    settings.format = request.format->format;
    settings.quality = request.quality;
    settings.resultWord = chainResultWord(request.chain);

    std::vector<Skipped> skipped;
    SaveLayout layout;
    const QStringList sources = expandPaths(parser.positionalArguments(), request.exts, parser.isSet(options.null),
                                            input, skipped, layout.subfolders);
    if (!parser.isSet(options.keepTree))
        layout.subfolders.clear();
    layout.keepExisting = parser.isSet(options.noClobber);
    // Names are printed with the bytes that are not valid text escaped as \xNN.
    for (const Skipped &s : skipped)
        errors << printableFileName(s.path) << ": " << printableFileName(withoutPath(s.reason, s.path)) << "\n";
    if (sources.isEmpty() && skipped.empty())
        errors << "lumivex: no pictures found\n";
    errors.flush();

    const bool progress = errorsIsTerminal && !parser.isSet(options.quiet);
    BatchProgress report(sources, request.folder, errors, progress);
    const int stoppedBy = saveBatch(request, settings, sources, layout, report);
    if (progress)
        errors << "\r\033[K";
    if (stoppedBy != 0) {
        errors << "lumivex: stopped by " << (stoppedBy == SIGINT ? "SIGINT" : "SIGTERM") << " after " << report.done()
               << " of " << report.total() << " pictures; every file written is complete\n";
        errors.flush();
        return 128 + stoppedBy;
    }
    const int failed = report.failed(), kept = report.kept();
    if (!parser.isSet(options.quiet)) {
        errors << (report.done() - failed - kept) << " written, " << (failed + int(skipped.size())) << " failed";
        if (layout.keepExisting)
            errors << ", " << kept << " kept";
        errors << " in " << durationText(report.seconds()) << "\n";
    }
    errors.flush();
    return kept > 0 || failed > 0 || !skipped.empty() || sources.isEmpty() ? CliSomeFailed : CliAllWritten;
}

} // namespace lumivex
