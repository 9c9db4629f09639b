// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef LAUNCHPLAN_H
#define LAUNCHPLAN_H

#include "core/searchpath.h"
#include "exec/calculator.h"
#include "exec/commandclassification.h"
#include "exec/terminalchoice.h"

#include <QString>
#include <QStringList>

#include <functional>

/** A row of the completion list that Enter can take instead of the typed text. */
struct ListedAlternative
{
    enum Kind {
        /** There is none. */
        NoAlternative,
        /** A command, an application or a program: taking it runs it. */
        RunsCommand,
        /** A file: taking it opens it. */
        OpensFile,
        /** A folder: taking it shows what is in it. */
        ShowsFolder,
    };
    Kind kind = NoAlternative;
    /** What the row shows: an application's name, a command, a path. */
    QString name;
    /** What taking the row puts into the field. */
    QString text;
    /**
     * Whether taking the row runs it by itself (a history entry, an
     * application); a program or a file only completes the field, which
     * then runs, and a folder shows what is in it.
     */
    bool runsWhenTaken = false;
};

/** How a command is scheduled; the numbers are those the companion's requests take. */
enum class SchedulingPolicy {
    /** Time-sharing, at a nice value. */
    Normal = 0,
    /** Real-time (FIFO), at a real-time priority; only root may ask for it. */
    Realtime = 1,
};

/** The dialog's options that decide how a command runs. */
struct LaunchOptions
{
    /** How the user set the run-in-terminal box by hand, if at all. */
    TerminalChoice terminalChoice;
    /** The programs that run in a terminal unless the user says otherwise. */
    QStringList terminalApplications;
    /** The terminal emulator (terminalProgram()); empty when none is installed. */
    QString terminalProgram;
    /** "Run as a different user" is ticked, for userName. */
    bool runAsOther = false;
    QString userName;
    /** sudo is chosen rather than su. */
    bool sudoChosen = false;
    /** "Run with a different priority" is ticked. */
    bool priorityChosen = false;
    /** Normal scheduling at nicePriority, or real-time at realtimePriority. */
    SchedulingPolicy scheduler = SchedulingPolicy::Normal;
    int nicePriority = 0;
    int realtimePriority = 0;
    /** The dialog's own nice value. */
    int startNice = 0;
    /** The login name of the user who runs the dialog, and whether that is root. */
    QString callerName;
    bool callerIsRoot = false;
    /** Rewrites a command line started as the caller (a runner plug-in); none when empty. */
    std::function<QString(const QString &)> wrapCommand;
    /** The first row the completion list offers for the text. */
    ListedAlternative listed;
    /** The command run last; empty without a history. */
    QString lastCommand;
    /** The expression evaluated last, its value and how the evaluation ended. */
    QString calculatedExpression;
    QString calculatedValue;
    Calculator::Outcome calculationOutcome = Calculator::NoValue;
    /** Something is typed in the password field. */
    bool passwordTyped = false;
    /**
     * Whether a window that another user opens reaches the caller's session;
     * asked only for a command run as another user (see
     * XDisplayAuthority::reachableByOthers()).
     */
    std::function<bool()> windowsReachOthers = [] { return true; };
    /** The search path a command run as a user through a tool gets (targetSearchPath()). */
    std::function<QByteArray(const QByteArray &user, const QString &tool)> targetSearchPath =
        [](const QByteArray &user, const QString &tool) { return ::targetSearchPath(user, tool); };
};

/**
 * What Run does with a typed text, decided once from the text, what it was
 * found to be and the dialog's options: evaluate it, start which command lines
 * as the caller, or which one as another user through su or sudo, in which
 * terminal, at which priority, and whose password that asks for. The hint
 * line, the icon, the terminal box and Run all read it.
 */
class LaunchPlan
{
public:
    enum Action {
        /** Nothing was typed, and there is no command run before. */
        NothingToRun,
        /** Nothing was typed: Enter runs lastCommand() again. */
        RunLastCommand,
        /** The text cannot run as it stands (UnknownCommand or NotAProgram), but
         *  the completion list offers listed(), which Enter takes as if chosen. */
        TakeListedRow,
        /** An arithmetic expression: its value replaces it in the field. */
        Calculate,
        /** "logout": nothing starts, the dialog closes. */
        CloseOnly,
        /** Nothing of that name is known, and no terminal was asked for. */
        UnknownCommand,
        /** A document or folder followed by words, and no terminal was asked for. */
        NotAProgram,
        /** Not run: the command would run as another user, but it would not
         *  reach the other side as it is shown, or not run there (see refusal()). */
        Refused,
        /** commandLines() start as the caller. */
        Start,
        /** commandLines() runs as targetUser() through switchTool(). */
        StartAsOther,
        /** As StartAsOther, but su or sudo ask for a password that is not typed
         *  yet: Run waits for it. */
        TypePassword,
    };

    /** Why a plan is Refused. */
    enum Refusal {
        NoRefusal,
        /** A control or invisible formatting character that the field does not show. */
        InvisibleCharacters,
        /** A line break in the command line. */
        LineBreakInCommand,
        /** A line break or NUL in the user name. */
        LineBreakInUser,
        /** A NUL byte in the command line (a desktop entry's value put into it). */
        NulInCommand,
        /** The program, firstWord(), is not on the target user's search path. */
        NotOnTargetPath,
        /** The command line is longer than the system passes in one argument
         *  (see argumentLimit()). */
        CommandTooLong,
        /** The command opens a window (a terminal, an application's entry), and
         *  no window of another user reaches this session. */
        NoWindowForOthers,
    };

    /** Whose password su or sudo ask for. */
    enum PasswordOwner {
        /** No one's: the caller is root. */
        NoPassword,
        /** The target user's, as su asks. */
        TargetsPassword,
        /** The caller's own, as sudo asks. */
        CallersPassword,
    };

    /** The plan for @p classification (of its text) with @p options. */
    LaunchPlan(const CommandClassification &classification, const LaunchOptions &options);

    /**
     * Whether @p options ask for what only root may do: a higher priority
     * than the dialog's own, or real-time scheduling. A command then runs as
     * root, whoever else was chosen.
     */
    static bool needsRoot(const LaunchOptions &options);

    /**
     * Whether @p classification names a terminal application: a program listed
     * in @p terminalApplications, or a desktop entry that asks for a terminal.
     * The terminal box follows this unless the user set it by hand.
     */
    static bool namesTerminalApplication(
        const CommandClassification &classification, const QStringList &terminalApplications);

    Action action() const { return m_action; }
    Refusal refusal() const { return m_refusal; }
    /** The classification the plan was made from. */
    const CommandClassification &classification() const { return m_classification; }
    /** The typed text's first word: the program, address or path. */
    QString firstWord() const;
    /**
     * What the history keeps of the text: the text, but for an application
     * typed by its desktop-file id its Name, followed by the words after the
     * id; historyEntry() keeps what it runs.
     */
    QString historyText() const;
    /** The desktop-file id that historyText() stands for; empty for a text that is its own. */
    QString historyEntry() const;
    /** For TakeListedRow, the row Enter takes. */
    const ListedAlternative &listed() const { return m_listed; }
    /** For RunLastCommand, the command Enter runs again. */
    QString lastCommand() const { return m_lastCommand; }
    /** For Calculate, whether the expression's value is known; then its value
     *  (empty when there is none) and how its evaluation ended. */
    bool valueKnown() const { return m_valueKnown; }
    QString value() const { return m_value; }
    Calculator::Outcome calculationOutcome() const { return m_calculationOutcome; }
    /**
     * Whether Run (and Enter) act: something is typed or run before, and a
     * user is named when another user was asked for.
     */
    bool canRun() const { return m_action != NothingToRun && !m_awaitsUser; }
    /** For NotOnTargetPath, the program looked for. */
    QString program() const { return m_program; }
    /** For CommandTooLong, the command line's length and the most the system passes, in bytes. */
    qint64 commandLength() const { return m_commandLength; }
    qint64 argumentLimit() const { return m_argumentLimit; }

    /**
     * For Start, the lines to start detached (QProcess's splitting), one per
     * start; for StartAsOther, one line for "/bin/sh -c". Empty otherwise.
     */
    const QStringList &commandLines() const { return m_commandLines; }
    /** For Start, the folder the lines start in (an entry's Path); empty for the dialog's own. */
    QString workingDirectory() const { return m_workingDirectory; }
    /** For Start, whether each start is announced to the window manager: an
     *  application whose entry says it ends the notice, outside a terminal. */
    bool announcesStart() const { return m_announcesStart; }

    /** Whether the command (or what Enter takes instead of the text) runs in a
     *  terminal window, and the emulator's file name. */
    bool inTerminal() const { return m_inTerminal; }
    QString terminalName() const;
    /** Whether the run-in-terminal box is ticked for the typed text itself. */
    bool terminalBoxTicked() const { return m_terminalBoxTicked; }
    /** The icon theme names for what Run does, best first. */
    QStringList iconNames() const;

    /** For Start, what the command is to the user: how the hint names it. */
    enum Subject {
        /** runs subjectName(): a program or an application's Name */
        RunsProgram,
        /** opens an address in the web browser */
        OpensWebAddress,
        /** opens an address with the default application */
        OpensAddress,
        /** opens subjectName(), a document or folder, with the default application */
        OpensDocument,
    };
    Subject subject() const { return m_subject; }
    QString subjectName() const { return m_subjectName; }

    /**
     * Whether the options ask for another user (or for what only root may
     * do): then the three below say, whatever the text, as whom through which
     * tool and with whose password a command would run.
     */
    bool runsAsAnotherUser() const { return m_asAnotherUser; }
    /** Whether the command runs as root because the options need root (needsRoot()). */
    bool forcesRoot() const { return m_forcesRoot; }
    /** The user to run as, su or sudo, and whose password they ask for. */
    QString targetUser() const { return m_targetUser; }
    QString switchTool() const { return m_switchTool; }
    PasswordOwner passwordOwner() const { return m_passwordOwner; }

    /** The scheduling; priority() is a nice value or a real-time priority. */
    SchedulingPolicy schedulingPolicy() const { return m_schedulingPolicy; }
    int priority() const { return m_priority; }
    /** Whether the command runs at another priority than the dialog's own. */
    bool changesPriority() const { return m_changesPriority; }
    /** Whether su or sudo would ask for a password that is not typed yet. */
    bool awaitsPassword() const { return m_awaitsPassword; }
    /** For StartAsOther, whether no window that the command opens can reach this session. */
    bool windowsUnreachable() const { return m_windowsUnreachable; }

private:
    void planStart(const LaunchOptions &options);
    void planIdentity(const LaunchOptions &options);
    void planPriority(const LaunchOptions &options);
    void planStartAsOther(const LaunchOptions &options);
    void planCalculation(const LaunchOptions &options);
    static bool runsInTerminal(const QString &alternative, const LaunchOptions &options);
    Refusal refusalAsOther(const QString &line, const LaunchOptions &options);
    QStringList typeRewrittenLines(bool forShell) const;

    CommandClassification m_classification;
    Action m_action = NothingToRun;
    ListedAlternative m_listed;
    QString m_lastCommand;
    bool m_valueKnown = false;
    QString m_value;
    Calculator::Outcome m_calculationOutcome = Calculator::NoValue;
    bool m_awaitsUser = false;
    bool m_terminalBoxTicked = false;
    Refusal m_refusal = NoRefusal;
    QString m_program;
    qint64 m_commandLength = 0;
    qint64 m_argumentLimit = 0;
    bool m_asAnotherUser = false;
    bool m_forcesRoot = false;
    QStringList m_commandLines;
    QString m_workingDirectory;
    bool m_announcesStart = false;
    bool m_inTerminal = false;
    QString m_terminalProgram;
    Subject m_subject = RunsProgram;
    QString m_subjectName;
    QString m_targetUser;
    QString m_switchTool;
    PasswordOwner m_passwordOwner = NoPassword;
    SchedulingPolicy m_schedulingPolicy = SchedulingPolicy::Normal;
    int m_priority = 0;
    bool m_changesPriority = false;
    bool m_awaitsPassword = false;
    bool m_windowsUnreachable = false;
};

#endif
