// SPDX-License-Identifier: GPL-3.0-or-later
// Times the folder scanner over one chain of folders holding a single file at its bottom, at
// depths 500, 1,000, 2,000 and 5,000 (or those given), so its cost per level can be read off.
//   deep_scan_bench [DEPTH...]
#include "core/folder_scan.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    std::vector<int> depths;
    for (int i = 1; i < argc; ++i)
        depths.push_back(std::atoi(argv[i]));
    if (depths.empty())
        depths = {500, 1000, 2000, 5000};
    int failures = 0;
    for (const int depth : depths) {
        QTemporaryDir dir;
        dir.setAutoRemove(false); // deeper than a path can name: removed below with rm
        int fd = ::open(QFile::encodeName(dir.path()).constData(), O_RDONLY | O_DIRECTORY);
        for (int i = 0; i < depth && fd >= 0; ++i) {
            mkdirat(fd, "d", 0700);
            const int next = openat(fd, "d", O_RDONLY | O_DIRECTORY);
            ::close(fd);
            fd = next;
        }
        if (fd < 0) {
            std::fprintf(stderr, "cannot make a tree %d deep\n", depth);
            return 2;
        }
        ::close(openat(fd, "bottom.jpg", O_WRONLY | O_CREAT, 0600));
        ::close(fd);
        QElapsedTimer timer;
        timer.start();
        const QStringList found = lumivex::ScanFolderTree(dir.path(), QStringLiteral("*.jpg"));
        const double seconds = timer.nsecsElapsed() / 1e9;
        const bool ok = found.size() == 1 && found[0].endsWith(QStringLiteral("/d/bottom.jpg")) &&
                        found[0].count(QLatin1Char('/')) == QDir::cleanPath(dir.path()).count(QLatin1Char('/')) + depth + 1;
        std::printf("depth %5d: %8.3f s (%.1f us a level)%s\n", depth, seconds, seconds * 1e6 / depth,
                    ok ? "" : ", the file at the bottom was NOT found");
        std::fflush(stdout);
        failures += ok ? 0 : 1;
        const QByteArray remove = "rm -rf '" + QFile::encodeName(dir.path()) + "'";
        if (std::system(remove.constData()) != 0)
            std::fprintf(stderr, "could not remove %s\n", qPrintable(dir.path()));
    }
    return failures == 0 ? 0 : 1;
}
