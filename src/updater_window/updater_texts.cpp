#include "updater_window/updater_texts.h"

#include "build_config.h"
#include "core/text.h"

namespace nimbrook {

UpdaterTexts UpdaterTextsFor(std::wstring_view language, std::wstring_view supportPhone) {
  UpdaterTexts t;
  const std::wstring phone(supportPhone);
  if (language == L"chs") {
    t.title = L"岚鹭加速器更新程序";
    t.heading = L"检测到以下可用更新";
    t.tip = L"更新内容将自动升级到您的系统上";
    t.completeButton = L"完成";
    t.fileDone = L"更新成功 !";
    t.updating = L"正在更新中...";
    t.completed = L"更新完成，点击完成按钮将重启程序";
    t.failed = L"更新失败,请检查网络或者联系客服QQ:" + phone;
    t.failToStop = L"主程序无法停止";
    t.cancelButton = L"取消";
  } else if (language == L"cht") {
    t.title = L"岚鹭加速器更新程式";
    t.heading = L"检測到以下可用更新";
    t.tip = L"更新內容將自動昇級到您的係統上";
    t.completeButton = L"完成";
    t.fileDone = L"更新成功 !";
    t.updating = L"正在更新中...";
    t.completed = L"更新完成，點擊完成按鈕將重啓程序";
    t.failed = L"更新失敗,請檢查網絡或者聯系客服QQ:" + phone;
    t.failToStop = L"主程序無法停止";
    t.cancelButton = L"取消";
  } else {
    t.title = L"Nimbrook Updater";
    t.heading = L"New version is available";
    t.tip = L"The following content will be updated";
    t.completeButton = L"Complete";
    t.fileDone = L"Finished !";
    t.updating = L"updating...";
    t.completed = L"Update completed,Click the button to restart";
    t.failed = L"Update failure,please check the network or contact QQ:" + phone;
    t.failToStop = L"Nimbrook fail to restart";
    t.cancelButton = L"Cancel";
  }
  return t;
}

UpdaterTexts UpdaterTextsFor(std::wstring_view language) {
  return UpdaterTextsFor(language, text::AsciiToWide(NIMBROOK_SUPPORT_PHONE));
}

}  // namespace nimbrook
