// SPDX-License-Identifier: GPL-2.0-or-later
#include "residentdialog.h"

#include "commandline.h"
#include "completion/applicationindex.h"
#include "desktop/applicationentry.h"
#include "desktop/settingsstore.h"
#include "dialog/roderuz.h"
#include "handover.h"
#include "instanceclient.h"
#include "qtsingleapplication.h"

#include <QBackingStore>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLayout>
#include <QSemaphore>
#include <QTimer>
#include <QtConcurrent>

#include <climits>
#include <cstdlib>
#include <malloc.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

// A launched program gets the processor first; the next dialog is built
// afterwards.
static const int rebuildDelayMs = 300;
// How long a later start waits for the look at what a dialog is built from;
// a slower file system leaves the dialog as it was built, and the next one is
// built from the sources as they are then.
static const int sourcesLookMs = 150;
// Freed memory is overwritten with this byte, so that nothing typed into a
// dialog, the password above all, outlives it in the heap.
static const int freedMemoryFill = 0x5a;

// The C library's tunables, and where the caller's own are kept meanwhile.
static const char tunablesVariable[] = "GLIBC_TUNABLES";
static const char callersTunablesVariable[] = "KAVRUN_CALLERS_GLIBC_TUNABLES";
static const char withoutSmallBlockCache[] = "glibc.malloc.tcache_count=0";

static QByteArray *capturedDiagnostics = nullptr;

static void captureDiagnostic(
    QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    capturedDiagnostics->append(qFormatLogMessage(type, context, message).toLocal8Bit() + '\n');
}

// While it lives, messages of the toolkit's channels go to @p diagnostics.
class DiagnosticsCapture
{
public:
    explicit DiagnosticsCapture(QByteArray *diagnostics)
    {
        capturedDiagnostics = diagnostics;
        previousHandler = qInstallMessageHandler(captureDiagnostic);
    }
    ~DiagnosticsCapture()
    {
        qInstallMessageHandler(previousHandler);
        capturedDiagnostics = nullptr;
    }
    Q_DISABLE_COPY(DiagnosticsCapture)

private:
    QtMessageHandler previousHandler;
};

// The toolkit's options that name the platform read as a priority
// ("-platform" is "-p latform"), so only a start of its own can tell them.
static bool holdsPlatformOptions(const QStringList &arguments)
{
    for (const QString &argument : arguments) {
        if (argument == QLatin1String("--"))
            return false;
        if (argument.startsWith(QLatin1String("-pl")) || argument.startsWith(QLatin1String("--pl")))
            return true;
    }
    return false;
}

void ResidentDialog::startWithoutSmallBlockCache(char *argv[])
{
    if (const char *callers = getenv(callersTunablesVariable)) {
        // Started again: what the resident starts gets the caller's tunables.
        if (*callers)
            setenv(tunablesVariable, callers, 1);
        else
            unsetenv(tunablesVariable);
        unsetenv(callersTunablesVariable);
        return;
    }
    const char *callers = getenv(tunablesVariable);
    const std::string tunables = callers && *callers
        ? std::string(callers) + ':' + withoutSmallBlockCache
        : std::string(withoutSmallBlockCache);
    setenv(callersTunablesVariable, callers ? callers : "", 1);
    setenv(tunablesVariable, tunables.c_str(), 1);
    // Started by its own path, not through /proc/self/exe, so that process
    // lists name it as before rather than "exe".
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length > 0) {
        self[length] = '\0';
        execv(self, argv);
    }
    // Not started again: the resident runs all the same, its small blocks unfilled.
    unsetenv(callersTunablesVariable);
    if (callers)
        setenv(tunablesVariable, callers, 1);
    else
        unsetenv(tunablesVariable);
}

ResidentDialog::ResidentDialog(QtSingleApplication &app, const std::string &xDisplay)
    : m_app(app)
    , m_settingsFile(SettingsStore::fileName())
    , m_startDirectory(QDir::currentPath())
{
    mallopt(M_PERTURB, freedMemoryFill);
    QApplication::setQuitOnLastWindowClosed(false);
    m_app.setMessageHandler([this](const QString &message) { return answer(message); });
    if (!xDisplay.empty()) {
        m_mappedDrawingExposures = std::make_unique<MappedDrawingExposures>(xDisplay);
        m_app.installNativeEventFilter(m_mappedDrawingExposures.get());
    }
    prepareDialog();
}

ResidentDialog::~ResidentDialog()
{
    if (m_mappedDrawingExposures)
        m_app.removeNativeEventFilter(m_mappedDrawingExposures.get());
    m_app.setMessageHandler(nullptr);
}

QByteArray ResidentDialog::answer(const QString &message)
{
    if (m_dialog && m_dialog->isVisible()) {
        m_app.activateWindow();
        return QByteArray(1, InstanceClient::acknowledgement);
    }

    HandOver handOver;
    if (!HandOver::fromMessage(message.toStdU16String(), &handOver))
        handOver.arguments = {
            QFile::encodeName(QCoreApplication::applicationName()).toStdString()
        };
    // As the application object reads its own arguments.
    QStringList arguments;
    for (const std::string &argument : handOver.arguments)
        arguments.append(QString::fromLocal8Bit(QByteArray::fromStdString(argument)));
    CommandLine commandLine;
    if (holdsPlatformOptions(arguments) || !commandLine.read(arguments))
        return QByteArray::fromStdString(HandOver::selfAnswer());
    if (commandLine.isResident())
        return QByteArray::fromStdString(HandOver::answer(0));

    if (!m_dialog) {
        prepareDialog();
    } else if (m_sourcesWatch.mayHaveChanged()) {
        QByteArray stamp = currentSourcesStamp();
        if (!stamp.isNull() && stamp != m_dialogSourcesStamp)
            prepareDialog(std::move(stamp));
    }
    // Relative paths in the command mean what they meant to the later start.
    if (!handOver.directory.empty() && chdir(handOver.directory.c_str()) != 0)
        qWarning("kav-run: cannot enter %s", handOver.directory.c_str());
    QByteArray diagnostics;
    {
        const DiagnosticsCapture capture(&diagnostics);
        commandLine.applyPresets(*m_dialog);
    }
    m_app.activateWindow();
    drawWithTheMap();
    return QByteArray::fromStdString(HandOver::answer(0, diagnostics.toStdString()));
}

void ResidentDialog::prepareDialog(QByteArray sources)
{
    if (m_dialog)
        m_dialog.release()->deleteLater();
    // Watched from before the stamp is taken, so that no change falls between them.
    m_sourcesWatch.watch(ApplicationEntry::folders() << QFileInfo(m_settingsFile).path());
    m_dialogSourcesStamp = sources.isNull() ? currentSourcesStamp() : std::move(sources);
    m_dialog = std::make_unique<Roderuz>();
    connect(m_dialog.get(), &QDialog::finished, this, &ResidentDialog::dialogFinished);
    m_app.setActivationWindow(m_dialog.get(), false);
    // The window and the image it is drawn into exist before they are asked
    // for; showing the window is then all that is left.
    m_dialog->winId();
    m_dialog->ensurePolished();
    if (QLayout *layout = m_dialog->layout())
        layout->activate();
    m_dialog->backingStore()->resize(m_dialog->size());
    malloc_trim(0);
}

void ResidentDialog::drawWithTheMap()
{
    // Left to itself, the toolkit draws a window once the X server has
    // reported it on the screen: a round trip to the server and a wake-up of
    // the toolkit's event thread and of this one after the map. Drawn now,
    // the contents follow the map in the same batch of requests, and the
    // report sends nothing more (MappedDrawingExposures). Under a window
    // manager the map waits for it and these contents go nowhere; the
    // report then only sends the image drawn here. Elsewhere a surface
    // takes no contents before the compositor has configured it.
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    // Every widget just shown has asked for a paint of its own later.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateLater);
    m_dialog->setAttribute(Qt::WA_Mapped);
    if (m_mappedDrawingExposures)
        m_mappedDrawingExposures->drawingFollows(m_dialog.get());
    m_dialog->repaint();
}

void ResidentDialog::dialogFinished()
{
    // Run and Cancel end inside the dialog's own functions.
    m_dialog.release()->deleteLater();
    QDir::setCurrent(m_startDirectory);
    QTimer::singleShot(rebuildDelayMs, this, [this] {
        if (!m_dialog)
            prepareDialog();
    });
}

QByteArray ResidentDialog::currentSourcesStamp() const
{
    struct Look
    {
        QSemaphore done;
        QByteArray stamp;
    };
    const auto look = std::make_shared<Look>();
    QtConcurrent::run(ApplicationIndex::threadPool(), [look, settingsFile = m_settingsFile] {
        look->stamp = sourcesStamp(settingsFile);
        look->done.release();
    });
    return look->done.tryAcquire(1, sourcesLookMs) ? look->stamp : QByteArray();
}

QByteArray ResidentDialog::sourcesStamp(const QString &settingsFile)
{
    QByteArray stamp = ApplicationEntry::installedStamp();
    struct stat status;
    if (stat(QFile::encodeName(settingsFile).constData(), &status) == 0)
        stamp += ' ' + QByteArray::number(qulonglong(status.st_ino)) + ' '
            + QByteArray::number(qlonglong(status.st_size)) + ' '
            + QByteArray::number(qlonglong(status.st_mtim.tv_sec)) + '.'
            + QByteArray::number(qlonglong(status.st_mtim.tv_nsec));
    return stamp;
}
