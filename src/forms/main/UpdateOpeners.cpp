// The main window's way into the update of the postal data.
#include "core/update/DataFolders.h"
#include "forms/main/TForm_Main.h"
#include "forms/update/UpdateDialog.h"

void TForm_Main::UpdateData() {
  tanzel::UpdateOptions options;
  options.baseUrl = tanzel::UpdateBaseUrl();
  options.targetFolder = tanzel::UpdateTargetFolder(DataFolder);
  options.inUseFolder = tanzel::ChooseDataFolder(DataFolder);
  UpdateDialog dialog(options, this);
  dialog.exec();
  ShowDataDate();
  ShowUpdateOutcome(this, dialog.Result());
}
