#include "Program.h"

#include "CatalogueFile.h"
#include "CatalogueUpgrade.h"
#include "ErrorGuard.h"
#include "HelpViewer.h"
#include "KoltApplication.h"
#include "MessageService.h"
#include "ProgressWindow.h"
#include "SafetyNet.h"
#include "SingleInstance.h"
#include "TDM.h"
#include "TKOLTForm.h"
#include "TSplashForm.h"
#include "WorkBeside.h"

#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QTimer>
#include <memory>

namespace {

// The running program's own file name, known before the application object exists.
QString ownFileName(char** argv)
{
    const QFileInfo self(QStringLiteral("/proc/self/exe"));
    const QString target = self.symLinkTarget();
    if (!target.isEmpty())
        return QFileInfo(target).fileName();
    return QFileInfo(QString::fromLocal8Bit(argv[0])).fileName();
}

} // namespace

void Program::checkCatalogueAhead(const QString& programFolder)
{
    const QString path = QDir(programFolder).filePath(QLatin1String(TDM::kFileName));
    WorkBeside::run([&path] { CatalogueFile::checkAhead(path, QLatin1String(TDM::kPassword)); });
}

void Program::prepareUpgrades()
{
    SafetyNet::guardUpgrades();
    // On a thread of its own: the connection is not handed to anything else before the opening
    // has ended, so the window can paint and answer meanwhile.
    CatalogueUpgrade::setRunner([](const QString& label, const CatalogueUpgrade::Work& work) {
        ProgressWindow::runInThread(label,
                                    QStringLiteral("This is done once for a large collection. Finish later: the "
                                                   "catalogue opens at once, folders not prepared yet sort more "
                                                   "slowly, and the rest is done at the next opening."),
                                    [&work](ProgressWindow::Control& control) {
                                        work([&control](int percent) {
                                            control.percent = percent;
                                            return !control.stop;
                                        });
                                    });
    });
}

void Program::createDataModule(const QString& programFolder)
{
    DM = new TDM(programFolder);
    ErrorGuard::run([] { DM->DataModuleCreate(); });
}

TKOLTForm* Program::createMainWindow(const QString& programFolder)
{
    KOLTForm = new TKOLTForm(programFolder, *DM);
    return KOLTForm;
}

void Program::shutdown()
{
    delete KOLTForm;
    KOLTForm = nullptr;
    delete DM;
    DM = nullptr;
    HelpViewer::quit();
}

int Program::run(int argc, char** argv)
{
    const QString fileName = ownFileName(argv);
    SingleInstance instance(fileName);

    KoltApplication app(argc, argv);
    MessageService::setTitle(KoltApplication::defaultTitle(fileName));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/app/kolt.svg")));
    QGuiApplication::setDesktopFileName(QStringLiteral("tarvena"));

    // A later copy asks the running one to come forward (waiting for it while it is still
    // starting) and ends, before anything is opened or shown. If that copy quits before it
    // answers, this one goes on as the first copy, so that one copy always runs.
    if (instance.previousCopy() && instance.handOverOrTakeOver())
        return 0;
    instance.listen();

    auto* splash = new TSplashForm;
    SplashForm = splash;
    splash->showNow();

    MessageService::setTitle(QLatin1String(kTitle));
    prepareUpgrades();
    const QString folder = QCoreApplication::applicationDirPath();
    checkCatalogueAhead(folder);
    createDataModule(folder);
    TKOLTForm* window = createMainWindow(folder);

    SplashForm = nullptr;
    delete splash;

    QObject::connect(&instance, &SingleInstance::raiseRequested, window, &TKOLTForm::bringToFront);
    window->showMaximized();
    QTimer::singleShot(0, window, &TKOLTForm::StartupNotices);
    const int result = app.exec();
    shutdown();
    return result;
}
