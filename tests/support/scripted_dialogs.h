// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/dialogs.h"
#include "core/error_report.h"

#include <deque>
#include <vector>

namespace lumivex::testing {

// Answers every box from a script and records what was shown.
class ScriptedDialogs : public Dialogs {
public:
    struct Shown {
        QString text;
        QString caption;
        Buttons buttons;
        Icon icon;
    };

    Answer message(QWidget *, const QString &text, const QString &caption, Buttons buttons, Icon icon) override
    {
        shown.push_back({text, caption, buttons, icon});
        if (!answers.empty()) {
            const Answer a = answers.front();
            answers.pop_front();
            return a;
        }
        return buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
    }

    QString inputBox(QWidget *, const QString &prompt, const QString &caption, const QString &proposed) override
    {
        prompts.push_back({prompt, caption, Buttons::Ok, Icon::None});
        proposals << proposed;
        if (inputs.empty())
            return QString();
        const QString answer = inputs.front();
        inputs.pop_front();
        return answer;
    }

    QStringList openFiles(QWidget *, const QString &title, const QString &filter) override
    {
        fileDialogs.push_back({filter, title, Buttons::Ok, Icon::None});
        if (fileAnswers.empty())
            return {};
        const QStringList answer = fileAnswers.front();
        fileAnswers.pop_front();
        return answer;
    }

    QString browseForFolder(QWidget *, const QString &prompt) override
    {
        folderPrompts << prompt;
        if (folderAnswers.empty())
            return QString();
        const QString answer = folderAnswers.front();
        folderAnswers.pop_front();
        return answer;
    }

    void openFolder(const QString &path) override { openedFolders << path; }

    // The error reports among the boxes shown.
    std::vector<Shown> reports() const
    {
        std::vector<Shown> result;
        for (const Shown &s : shown)
            if (s.caption == QLatin1String("Application Error"))
                result.push_back(s);
        return result;
    }
    std::vector<Shown> plainMessages() const
    {
        std::vector<Shown> result;
        for (const Shown &s : shown)
            if (s.caption != QLatin1String("Application Error"))
                result.push_back(s);
        return result;
    }

    std::vector<Shown> shown;
    std::deque<Answer> answers;
    std::vector<Shown> prompts;
    QStringList proposals;
    std::deque<QString> inputs;
    std::vector<Shown> fileDialogs;
    std::deque<QStringList> fileAnswers;
    QStringList folderPrompts;
    std::deque<QString> folderAnswers;
    QStringList openedFolders;
};

// Records reports instead of showing them.
class RecordingReporter : public ErrorReporter {
public:
    struct Report {
        QString location;
        int step;
        QString description;
    };
    void ShowErrorReport(const QString &location, int step, const QString &description) override
    {
        reports.push_back({location, step, description});
    }
    std::vector<Report> reports;
};

} // namespace lumivex::testing
