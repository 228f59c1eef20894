#include "DataFileReport.h"

#include "Messages.h"
#include "resource.h"

void ReportDataFileDamage(Engine& engine)
{
    const Engine::Damage& damage = engine.DataFileDamage();
    if (!damage.found)
        return;
    if (!engine.KeepDamagedDataFile()) {
        AppMessageBox(FormatResString(IDS_DATA_FILE_NOT_KEPT, engine.DataFilePath(), SystemErrorText(engine.DataFileError())),
                      MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    std::wstring text = FormatResString(IDS_DATA_FILE_DAMAGED, engine.DataFilePath(), damage.copy) + L"\r\n\r\n"
                        + FormatResString(IDS_DATA_FILE_FILTERS_KEPT, std::to_wstring(damage.filtersKept));
    if (!damage.settingsKept)
        text += L"\r\n\r\n" + LoadResString(IDS_DATA_FILE_SETTINGS_LOST);
    AppMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
}
