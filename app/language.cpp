#include "app/language.h"

#include "app/appstate.h"
#include "app/status_line.h"
#include "link/connect.h"
#include "convtable/convtable.h"
#include "live/graphs.h"
#include "platform/translations.h"
#include "platform/ui.h"
#include "service/service.h"
#include "support/language.h"

#include <QDir>
#include <QFileInfo>

namespace {

std::string gLanguageDir;

bool IsFile(const std::string &path)
{
    return QFileInfo(QString::fromStdString(path)).isFile();
}

std::string Join(const std::string &dir, const char *name)
{
    return dir.empty() ? std::string(name) : dir + "/" + name;
}

} // namespace

std::string InstalledDataDirectory(const std::string &programDir)
{
    if (programDir.empty())
        return {};
    return QDir::cleanPath(QString::fromStdString(programDir + "/../" + kInstalledDataSubdir))
        .toStdString();
}

std::string FindProgramFile(const char *name, const std::string &programDir,
                            const std::string &currentDir)
{
    for (const std::string &dir : {programDir, currentDir, InstalledDataDirectory(programDir)})
        if (!dir.empty() && IsFile(Join(dir, name)))
            return Join(dir, name);
    return name;
}

std::string FindProgramFile(const char *name)
{
    return FindProgramFile(name, GetProjectDir(), QDir::currentPath().toStdString());
}

std::string LanguageFilePath(int index)
{
    const char *name = index == 0   ? kLanguageFileGerman
                       : index == 1 ? kLanguageFileEnglish
                                    : nullptr;
    if (!name)
        return {};
    if (!gLanguageDir.empty())
        return Join(gLanguageDir, name);
    return FindProgramFile(name);
}

void SetLanguageDirectory(const std::string &dir)
{
    gLanguageDir = dir;
}

void InitLanguage()
{
    int language = 1;
    GetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_LANGUAGE, &language);
    AppState.LanguageIndex = language;
    UsePlatformLanguage(language == 0);
    const std::string path = LanguageFilePath(language);
    if (!path.empty())
        LocalizePanel(AppState.MainPanel, path.c_str()); // a missing file keeps the labels
    SetOffsetInstruction();
    RelabelStatusLine();
    ExplainDimmedControls();
    RelabelDimReasons();
    SetLiveChartLegends();
    NameConvGraphPlots();
}
