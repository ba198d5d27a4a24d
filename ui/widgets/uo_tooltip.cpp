#include "ui/widgets/uo_tooltip.h"

#include <QWidget>
#include <cstring>
#include <memory>

#include "app/codepage.h"
#include "app/event_guard.h"
#include "ui/chrome/current_message.h"
#include "ui/chrome/tooltip_window.h"

namespace vexlo::ui {
namespace {

constexpr uint32_t kStyle = tts_noprefix | 0x4 | uo_tooltip::tts_balloon;  // 0x44

using Block = std::shared_ptr<char[]>;

// Fixed memory for the text; freed by the posted localfree (or when the queue is dropped).
Block localalloc(uint32_t, std::size_t size) {
  Block block(new char[size]);
  std::memset(block.get(), 0, size);
  return block;
}

void localfree(Block& block) { block.reset(); }

}  // namespace

std::string CutToBuffer(std::string_view tip_utf8, std::size_t buffer_size) {
  const std::string bytes = app::Utf8ToCp936(tip_utf8);
  if (buffer_size == 0) return {};
  const std::size_t room = buffer_size - 1;
  std::size_t end = 0;
  while (end < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[end]);
    const std::size_t width = (lead >= 0x81 && lead <= 0xFE && end + 1 < bytes.size()) ? 2 : 1;
    if (end + width > room) break;
    end += width;
  }
  return bytes.substr(0, end);
}

uo_tooltip::uo_tooltip(app::Events& events) : events_(events) {
  initcommoncontrols();
  hwndtt = createwindowexa(ws_ex_topmost, kStyle);
}

uo_tooltip::~uo_tooltip() { destroywindow(hwndtt); }

int16_t uo_tooltip::controlregister(QWidget* controlobject, std::string_view tip, int16_t flag) {
  toolinfo info;
  info.cbsize = static_cast<uint32_t>(toolinfo_size);
  info.uflags = static_cast<uint16_t>(flag);
  info.hwnd = controlobject;
  info.hinstance = 0;
  info.uid = static_cast<uint32_t>(toolid);
  toolid = toolid + 1;

  Block block = localalloc(0, kTextBufferSize);
  info.lpsztext = block.get();
  // The block is released after the current handling has returned; until then it stays valid.
  events_.Post({"uo_tooltip", "", "localfree"}, [block]() mutable { localfree(block); });
  const std::string cut = CutToBuffer(tip, kTextBufferSize);
  std::memcpy(block.get(), cut.data(), cut.size());
  block.get()[cut.size()] = '\0';

  if (controlobject != nullptr) {
    info.rect = {0, 0, controlobject->width(), controlobject->height()};
  }
  const intptr_t added = tooltipmsg(hwndtt, ttm_addtool, 0, info);
  return added != 0 ? static_cast<int16_t>(toolid - 1) : static_cast<int16_t>(-1);
}

void uo_tooltip::showtip(QWidget* controlobject) {
  const CurrentMessage& current = currentmessage();
  msg record;
  record.hwnd = controlobject;
  record.message = wm_mousemove;
  record.wparam = current.wparam;
  record.lparam = current.lparam;
  relaymsg(hwndtt, ttm_relayevent, 0, record);
}

}  // namespace vexlo::ui
