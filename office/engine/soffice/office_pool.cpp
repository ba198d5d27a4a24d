#include "office/engine/soffice/office_pool.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>

#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/document/XUndoManager.hpp>
#include <com/sun/star/document/XUndoManagerSupplier.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextCursor.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/text/XTextTable.hpp>
#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/bridge/XUnoUrlResolver.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/text/XPageCursor.hpp>
#include <com/sun/star/text/XTextViewCursorSupplier.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XChangesBatch.hpp>
#include <com/sun/star/util/XFlushable.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/container/XNameReplace.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <rtl/ustring.hxx>

#include "app/runtime_error.h"
#include "office/engine/package/atomic_file.h"
#include "office/engine/package/pdf_split.h"
#include "office/engine/package/temp_folder.h"
#include "office/engine/soffice/doc_base.h"
#include "office/engine/soffice/edit_macro.h"
#include "office/engine/soffice/page_batch.h"
#include "office/engine/soffice/soffice.h"
#include "office/engine/soffice/text_delta.h"

extern char** environ;

namespace vexlo::engine {

namespace fs = std::filesystem;
namespace css = com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

constexpr int kMaxAttempts = 2;  // a document is tried once more on a fresh office
constexpr int kRestartExitCode = 81;
constexpr std::size_t kSpreadAt = 4;  // documents waiting before an idle office is started
// PDFs made from one joined document: enough that the export's fixed cost hardly counts, few
// enough that each record's fonts stay small and the offices share the work.
constexpr std::size_t kBatchMax = 48;
// ... and no more than this much of them, so that a batch of large records (pictures, many
// pages) stays well within the time an office is given.
constexpr std::uintmax_t kBatchBytes = 4u << 20;

rtl::OUString U(const std::string& s) {
  return rtl::OUString(s.data(), static_cast<sal_Int32>(s.size()), RTL_TEXTENCODING_UTF8);
}

std::string S(const rtl::OUString& s) {
  const rtl::OString o = rtl::OUStringToOString(s, RTL_TEXTENCODING_UTF8);
  return std::string(o.getStr(), static_cast<std::size_t>(o.getLength()));
}

std::string FileUrl(const std::string& path) {
  return QUrl::fromLocalFile(QString::fromStdString(fs::absolute(path).string()))
      .toEncoded()
      .toStdString();
}

css::beans::PropertyValue Prop(const char* name, css::uno::Any value) {
  css::beans::PropertyValue p;
  p.Name = rtl::OUString::createFromAscii(name);
  p.Value = std::move(value);
  return p;
}

css::uno::Sequence<css::beans::PropertyValue> Props(std::vector<css::beans::PropertyValue> v) {
  css::uno::Sequence<css::beans::PropertyValue> seq(static_cast<sal_Int32>(v.size()));
  std::copy(v.begin(), v.end(), seq.getArray());
  return seq;
}

const char* FilterName(StoreFormat f) {
  switch (f) {
    case StoreFormat::kPdf: return "writer_pdf_Export";
    case StoreFormat::kDoc: return "MS Word 97";
    case StoreFormat::kDocx: return "MS Word 2007 XML";
    case StoreFormat::kRtf: return "Rich Text Format";
    case StoreFormat::kOdt: return "writer8";
    case StoreFormat::kPng: return "";
  }
  return "";
}

const char* Extension(StoreFormat f) {
  switch (f) {
    case StoreFormat::kPdf: return ".pdf";
    case StoreFormat::kDoc: return ".doc";
    case StoreFormat::kDocx: return ".docx";
    case StoreFormat::kRtf: return ".rtf";
    case StoreFormat::kOdt: return ".odt";
    case StoreFormat::kPng: return ".png";
  }
  return "";
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Whether `path` holds a whole file of the format: the signature at its start, and for a PDF the
// expected page count (when known) and the end marker.
std::string CheckStored(const std::string& path, StoreFormat format, int pages) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec) || fs::file_size(path, ec) == 0) return "没有生成文件";
  std::ifstream in(path, std::ios::binary);
  char head[8] = {};
  in.read(head, sizeof head);
  const std::string_view h(head, static_cast<std::size_t>(in.gcount()));
  const auto starts = [&](std::string_view sig) { return h.substr(0, sig.size()) == sig; };
  switch (format) {
    case StoreFormat::kPdf: {
      const int n = PdfPageCount(path);
      if (n < 0) return "生成的PDF文件不完整";
      if (pages > 0 && n != pages) {
        return "生成的PDF文件有 " + std::to_string(n) + " 页，文档有 " + std::to_string(pages) + " 页";
      }
      return "";
    }
    case StoreFormat::kDoc:
      return starts("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") ? "" : "生成的 .doc 文件不完整";
    case StoreFormat::kDocx:
    case StoreFormat::kOdt:
      return starts("PK\x03\x04") ? "" : "生成的文件不完整";
    case StoreFormat::kRtf:
      return starts("{\\rtf") ? "" : "生成的 .rtf 文件不完整";
    case StoreFormat::kPng:
      return starts("\x89PNG") ? "" : "生成的图片不完整";
  }
  return "";
}

// The office program to start: soffice.bin itself where it can be found, so that the process we
// start is the office (and dies with us); otherwise the launcher.
std::string OfficeBinary() {
  const std::string launcher = SofficeProgram();
  if (launcher.empty()) return {};
  std::error_code ec;
  const fs::path real = fs::canonical(launcher, ec);
  if (!ec) {
    const fs::path bin = real.parent_path() / "soffice.bin";
    if (fs::exists(bin, ec)) return bin.string();
  }
  return launcher;
}

// The process's own UNO context, made once; it only serves to reach the offices over pipes.
// Making it also makes the runtime's static state, which goes at exit in the reverse order of its
// making: every pool is shut down before main returns, ahead of it.
Reference<css::uno::XComponentContext> LocalContext(const std::string& office_binary) {
  static std::once_flag once;
  // Never destroyed: the UNO runtime's own state goes at exit in an order of its own.
  static auto* context = new Reference<css::uno::XComponentContext>;
  static std::string error;
  std::call_once(once, [&] {
    const fs::path rc = fs::path(office_binary).parent_path() / "fundamentalrc";
    ::setenv("URE_BOOTSTRAP", ("vnd.sun.star.pathname:" + rc.string()).c_str(), 0);
    try {
      *context = cppu::defaultBootstrap_InitialComponentContext();
      // The machinery a connection uses is made now too: a first attempt to reach an office
      // that does not exist fails at once, after loading it.
      Reference<css::bridge::XUnoUrlResolver> resolver = css::bridge::UnoUrlResolver::create(*context);
      try {
        resolver->resolve(U("uno:pipe,name=vexlo-none-" + std::to_string(::getpid()) +
                            ";urp;StarOffice.ComponentContext"));
      } catch (const css::uno::Exception&) {
      }
    } catch (const css::uno::Exception& e) {
      error = S(e.Message);
    }
  });
  if (!context->is()) {
    throw app::RuntimeError::Output("无法使用 LibreOffice 的 UNO 接口：" + error);
  }
  return *context;
}

// Draws the first page of `pdf` as a PNG `width` pixels wide.
std::string DrawPng(const std::string& pdf, const std::string& png, int width) {
  const QString program = QStandardPaths::findExecutable("pdftoppm");
  if (program.isEmpty()) return "无法生成页面图片：系统中没有 pdftoppm（poppler-utils）";
  QProcess process;
  const std::string stem = png.substr(0, png.size() - 4);  // pdftoppm adds ".png"
  process.start(program, {"-png", "-singlefile", "-f", "1", "-l", "1", "-scale-to-x",
                          QString::number(std::max(16, width)), "-scale-to-y", "-1",
                          QString::fromStdString(pdf), QString::fromStdString(stem)});
  if (!process.waitForFinished(60000) || process.exitCode() != 0) return "无法生成页面图片";
  return "";
}

std::string DescribeUnoError(const css::uno::Exception& e) {
  std::string m = S(e.Message);
  const std::size_t nl = m.find('\n');
  if (nl != std::string::npos) m.resize(nl);
  return m.empty() ? "LibreOffice 内部错误" : m;
}

int WaitExited(pid_t pid, std::chrono::milliseconds limit) {
  const auto end = Clock::now() + limit;
  for (;;) {
    int status = 0;
    const pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (r < 0) return -1;
    if (Clock::now() >= end) return -2;
    std::this_thread::sleep_for(20ms);
  }
}

// The office's folder: what it stores, and its own temporary files. In memory where possible:
// the office makes sure each stored file reaches the disk before it returns, which on a disk
// costs more than the conversion itself; the finished files are then moved to their places.
std::string MakeWorkDir() { return MakePrivateTempFolder("office", TempSpeed::kMemory); }

std::atomic<int> pipe_counter{0};

}  // namespace

StoreFormat FormatOfPath(const std::string& path) {
  std::string ext = fs::path(path).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (ext == ".pdf") return StoreFormat::kPdf;
  if (ext == ".doc") return StoreFormat::kDoc;
  if (ext == ".rtf") return StoreFormat::kRtf;
  if (ext == ".odt") return StoreFormat::kOdt;
  if (ext == ".png") return StoreFormat::kPng;
  return StoreFormat::kDocx;
}

int PdfPageCount(const std::string& path) {
  const std::string pdf = ReadAll(path);
  if (pdf.compare(0, 5, "%PDF-") != 0) return -1;
  const std::size_t tail = pdf.size() > 1024 ? pdf.size() - 1024 : 0;
  if (pdf.find("%%EOF", tail) == std::string::npos) return -1;
  // Page objects: "/Type /Page" not followed by "s" (the page tree nodes are "/Pages").
  int pages = 0;
  for (std::size_t at = pdf.find("/Type"); at != std::string::npos; at = pdf.find("/Type", at + 5)) {
    std::size_t k = at + 5;
    while (k < pdf.size() && (pdf[k] == ' ' || pdf[k] == '\r' || pdf[k] == '\n')) ++k;
    if (pdf.compare(k, 5, "/Page") != 0) continue;
    const char next = k + 5 < pdf.size() ? pdf[k + 5] : ' ';
    if (!std::isalnum(static_cast<unsigned char>(next))) ++pages;
  }
  return pages;
}

struct OfficePool::Task {
  ConversionJob job;
  std::promise<ConversionOutcome> promise;
  std::shared_future<ConversionOutcome> future;
  std::size_t hash = 0;
  std::uintmax_t size = 0;
  int attempts = 0;
  int generation = 0;
  Clock::time_point queued;
  bool zip = false;    // the source is a zip package (a .docx, whatever its name)
  bool alone = false;  // not to be joined with others (it could not be, or a joined export failed)
};

struct OfficePool::Office {
  std::size_t index = 0;
  std::string profile;
  int lock_fd = -1;
  // Guarded by proc: the process and whether it was killed on purpose.
  std::mutex proc;
  pid_t pid = -1;
  bool killed = false;
  // Worker thread only: the connection, the office's folder, and the document kept loaded with
  // the texts it holds now.
  Reference<css::frame::XDesktop2> desktop;
  Reference<css::script::provider::XScript> edit_macro;  // empty: edits are made call by call
  std::string work_dir;
  Reference<css::lang::XComponent> kept;
  std::vector<Reference<css::text::XTextRange>> kept_paragraphs;
  DocxTexts kept_texts;
  std::set<std::size_t> unfit_frames;  // documents whose texts the office reads otherwise
  int reused = 0;
  // Guarded by the pool's mutex.
  bool busy = false;
  Clock::time_point deadline;
  bool want_running = false;
  bool ready = false;  // connected
  long baseline_kb = 0;  // worker thread only: the size after the first document
  // The worker has left its wait with a task or to start the office, in this generation.
  bool engaged = false;
  int engaged_generation = 0;

  bool Alive() {
    std::lock_guard lock(proc);
    if (pid <= 0) return false;
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == pid) {
      pid = -1;
      return false;
    }
    return true;
  }

  // Kills the office with its process group and reaps it.
  void Kill() {
    std::lock_guard lock(proc);
    if (pid <= 0) return;
    killed = true;
    ::kill(-pid, SIGKILL);
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    pid = -1;
  }

  // Kills the office and forgets what lived in it: the connection, the edit routine, the kept
  // document.
  void Drop() {
    Kill();
    desktop.clear();
    edit_macro.clear();
    kept.clear();
    kept_paragraphs.clear();
  }
};

namespace {

css::uno::Sequence<css::uno::Any> ArgsOf(const css::beans::PropertyValue& p) {
  css::uno::Sequence<css::uno::Any> args(1);
  args.getArray()[0] <<= p;
  return args;
}

// The resident size of the office's process, in KB; 0 when unknown.
long ResidentKb(OfficePool::Office& office) {
  pid_t pid;
  {
    std::lock_guard lock(office.proc);
    pid = office.pid;
  }
  if (pid <= 0) return 0;
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return 0;
}

// Settings of the office's profile that cost time for nothing here: spelling checked in the
// background after every change (between the changes of every record), and the graphics tests
// that an office runs at every start until its profile records that this version has run (which
// only a visible window does). Written at once, so that the next start profits.
void SettleProfile(const Reference<css::uno::XComponentContext>& remote) {
  try {
    Reference<css::lang::XMultiServiceFactory> config(
        remote->getServiceManager()->createInstanceWithContext(
            U("com.sun.star.configuration.ConfigurationProvider"), remote),
        UNO_QUERY_THROW);
    const auto update = [&](const char* path) {
      return Reference<css::container::XNameReplace>(
          config->createInstanceWithArguments(
              U("com.sun.star.configuration.ConfigurationUpdateAccess"),
              ArgsOf(Prop("nodepath", css::uno::Any(U(path))))),
          UNO_QUERY_THROW);
    };
    Reference<css::container::XNameReplace> spelling = update("/org.openoffice.Office.Linguistic/SpellChecking");
    spelling->replaceByName(U("IsSpellAuto"), css::uno::Any(false));
    Reference<css::util::XChangesBatch>(spelling, UNO_QUERY_THROW)->commitChanges();
    Reference<css::container::XNameReplace> product = update("/org.openoffice.Setup/Product");
    Reference<css::container::XNameAccess> read(product, UNO_QUERY_THROW);
    const css::uno::Any version = read->getByName(U("ooSetupVersion"));
    if (read->getByName(U("ooSetupLastVersion")) != version) {
      product->replaceByName(U("ooSetupLastVersion"), version);
      Reference<css::util::XChangesBatch>(product, UNO_QUERY_THROW)->commitChanges();
    }
    Reference<css::util::XFlushable> flush(config, UNO_QUERY);
    if (flush.is()) flush->flush();
  } catch (const css::uno::Exception&) {
    // Only slower.
  }
}

// Starts the office and connects to it; on failure returns a Chinese reason.
std::string StartOffice(OfficePool::Office& office, const std::string& fonts_env,
                        std::chrono::milliseconds start_timeout) {
  const std::string binary = OfficeBinary();
  if (binary.empty()) return "系统中没有安装 LibreOffice（找不到 soffice 程序）";
  Reference<css::uno::XComponentContext> local = LocalContext(binary);
  for (int start = 0; start < 2; ++start) {
    const std::string pipe = "vexlo-" + std::to_string(::getpid()) + "-" +
                             std::to_string(pipe_counter.fetch_add(1));
    std::vector<std::string> args = {
        binary, "--headless", "--invisible", "--nologo", "--norestore", "--nolockcheck",
        "--nodefault", "--nofirststartwizard",
        "-env:UserInstallation=" + FileUrl(office.profile),
        "--accept=pipe,name=" + pipe + ";urp;StarOffice.ComponentContext"};
    std::vector<std::string> env;
    // Ours replace the inherited ones (the first of two equal names would win).
    std::vector<std::string> ours;
    if (!fonts_env.empty()) ours.push_back(fonts_env);
    if (!office.work_dir.empty()) ours.push_back("TMPDIR=" + office.work_dir);
    for (char** e = environ; *e; ++e) {
      const std::string_view entry(*e);
      const bool replaced = std::any_of(ours.begin(), ours.end(), [&](const std::string& o) {
        return entry.substr(0, o.find('=') + 1) == std::string_view(o).substr(0, o.find('=') + 1);
      });
      if (!replaced) env.emplace_back(entry);
    }
    env.insert(env.end(), ours.begin(), ours.end());
    std::vector<char*> argv, envp;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    const pid_t parent = ::getpid();
    std::unique_lock proc(office.proc);
    const pid_t pid = ::fork();
    if (pid < 0) return "无法启动 LibreOffice";
    if (pid == 0) {
      // A process group of its own, so that a kill reaches everything the office starts; and
      // the office dies with the thread that started it, even when we are killed.
      ::setpgid(0, 0);
      ::prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (::getppid() != parent) ::_exit(127);
      const int null = ::open("/dev/null", O_RDWR);
      if (null >= 0) {
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
      }
      ::execve(argv[0], argv.data(), envp.data());
      ::_exit(127);
    }
    ::setpgid(pid, pid);
    office.pid = pid;
    office.killed = false;
    proc.unlock();

    Reference<css::bridge::XUnoUrlResolver> resolver = css::bridge::UnoUrlResolver::create(local);
    const auto end = Clock::now() + start_timeout;
    Reference<css::uno::XComponentContext> remote;
    int exit_code = -2;
    while (Clock::now() < end) {
      try {
        remote.set(resolver->resolve(U("uno:pipe,name=" + pipe + ";urp;StarOffice.ComponentContext")),
                   UNO_QUERY);
        if (remote.is()) break;
      } catch (const css::connection::NoConnectException&) {
      } catch (const css::uno::Exception&) {
      }
      {
        std::lock_guard lock(office.proc);
        if (office.pid != pid) return "LibreOffice 已被终止";
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
          office.pid = -1;
          exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
          break;
        }
      }
      std::this_thread::sleep_for(50ms);
    }
    if (remote.is()) {
      try {
        office.desktop = css::frame::Desktop::create(remote);
        office.edit_macro = EditMacro(remote);
        SettleProfile(remote);
        return "";
      } catch (const css::uno::Exception& e) {
        office.Kill();
        return "LibreOffice 没有响应：" + DescribeUnoError(e);
      }
    }
    if (exit_code == kRestartExitCode) continue;  // a fresh profile wants one restart
    office.Kill();
    return exit_code == -2 ? "LibreOffice 启动超时" : "LibreOffice 启动后立即退出";
  }
  return "LibreOffice 无法启动";
}

// The body's paragraphs in document order, table cells row by row.
void CollectParagraphs(const Reference<css::text::XText>& text,
                       std::vector<Reference<css::text::XTextRange>>& out) {
  Reference<css::container::XEnumerationAccess> access(text, UNO_QUERY_THROW);
  Reference<css::container::XEnumeration> items = access->createEnumeration();
  while (items->hasMoreElements()) {
    Reference<css::lang::XServiceInfo> info(items->nextElement(), UNO_QUERY);
    if (!info.is()) continue;
    if (info->supportsService(U("com.sun.star.text.Paragraph"))) {
      out.emplace_back(info, UNO_QUERY_THROW);
    } else if (info->supportsService(U("com.sun.star.text.TextTable"))) {
      Reference<css::text::XTextTable> table(info, UNO_QUERY_THROW);
      for (const rtl::OUString& name : table->getCellNames()) {
        CollectParagraphs(Reference<css::text::XText>(table->getCellByName(name), UNO_QUERY_THROW), out);
      }
    }
  }
}

std::vector<Reference<css::text::XTextRange>> Paragraphs(const Reference<css::lang::XComponent>& doc) {
  std::vector<Reference<css::text::XTextRange>> out;
  Reference<css::text::XTextDocument> text_doc(doc, UNO_QUERY_THROW);
  CollectParagraphs(text_doc->getText(), out);
  return out;
}

std::u16string Text16(const Reference<css::text::XTextRange>& range) {
  const rtl::OUString s = range->getString();
  return std::u16string(reinterpret_cast<const char16_t*>(s.getStr()), static_cast<std::size_t>(s.getLength()));
}

std::vector<std::u16string> Texts(const std::vector<Reference<css::text::XTextRange>>& paragraphs) {
  std::vector<std::u16string> texts;
  for (const auto& p : paragraphs) texts.push_back(Text16(p));
  return texts;
}

// Edits to a kept document are not recorded for undo: over many records they would pile up.
void LockUndo(const Reference<css::lang::XComponent>& doc) {
  Reference<css::document::XUndoManagerSupplier> undo(doc, UNO_QUERY);
  if (undo.is()) undo->getUndoManager()->lock();
}

void Move(const Reference<css::text::XTextCursor>& cursor, std::size_t count, bool expand) {
  while (count > 0) {
    const auto step = static_cast<sal_Int16>(std::min<std::size_t>(count, 32000));
    cursor->goRight(step, expand);
    count -= static_cast<std::size_t>(step);
  }
}

// The edits that turn `from` into `to` (DiffText), their positions and lengths counted in the
// office's cursor steps.
std::vector<TextEdit> CursorEdits(const std::u16string& from, const std::u16string& to) {
  std::vector<TextEdit> edits = DiffText(from, to);
  for (TextEdit& e : edits) {
    e.length = CursorSteps(from, e.position, e.position + e.length);
    e.position = CursorSteps(from, 0, e.position);
  }
  return edits;
}

// Turns the paragraphs' texts `from` into `to`, changing only what differs, and checks the
// result. False when the document's paragraphs do not read as expected afterwards. With `macro`
// every change is made inside the office in one call.
bool SetTexts(const Reference<css::script::provider::XScript>& macro,
              const std::vector<Reference<css::text::XTextRange>>& paragraphs,
              const std::vector<std::u16string>& from, const std::vector<std::u16string>& to) {
  if (paragraphs.size() != to.size() || from.size() != to.size()) return false;
  if (macro.is()) {
    std::vector<ParagraphEdits> changes;
    for (std::size_t i = 0; i < to.size(); ++i) {
      if (from[i] != to[i]) changes.push_back({i, CursorEdits(from[i], to[i])});
    }
    if (changes.empty()) return true;
    std::vector<std::u16string> texts;
    try {
      texts = ApplyEdits(macro, paragraphs, changes);
    } catch (const css::lang::DisposedException&) {
      throw;  // the office is gone
    } catch (const css::uno::Exception&) {
      return false;  // the document is loaded afresh instead
    }
    if (texts.size() != changes.size()) return false;
    for (std::size_t k = 0; k < changes.size(); ++k) {
      if (texts[k] != to[changes[k].paragraph]) return false;
    }
    return true;
  }
  for (std::size_t i = 0; i < to.size(); ++i) {
    if (from[i] == to[i]) continue;
    const Reference<css::text::XTextRange>& p = paragraphs[i];
    for (const TextEdit& edit : CursorEdits(from[i], to[i])) {
      Reference<css::text::XTextCursor> cursor = p->getText()->createTextCursorByRange(p->getStart());
      Move(cursor, edit.position, false);
      Move(cursor, edit.length, true);
      cursor->setString(rtl::OUString(reinterpret_cast<const sal_Unicode*>(edit.text.data()),
                                      static_cast<sal_Int32>(edit.text.size())));
    }
    if (Text16(p) != to[i]) return false;
  }
  return true;
}

int PageCount(const Reference<css::lang::XComponent>& doc) {
  try {
    Reference<css::frame::XModel> model(doc, UNO_QUERY);
    if (!model.is()) return 0;
    Reference<css::text::XTextViewCursorSupplier> views(model->getCurrentController(), UNO_QUERY);
    if (!views.is()) return 0;
    Reference<css::text::XPageCursor> cursor(views->getViewCursor(), UNO_QUERY);
    if (!cursor.is()) return 0;
    cursor->jumpToLastPage();
    return cursor->getPage();
  } catch (const css::uno::RuntimeException&) {
    return 0;
  }
}

void CloseDocument(const Reference<css::lang::XComponent>& doc) {
  if (!doc.is()) return;
  try {
    Reference<css::util::XCloseable> closeable(doc, UNO_QUERY);
    if (closeable.is()) {
      closeable->close(true);
    } else {
      doc->dispose();
    }
  } catch (const css::uno::Exception&) {
  }
}

}  // namespace

bool OfficePool::Available() { return !SofficeProgram().empty(); }

void OfficePool::LoadRuntime() {
  const std::string binary = OfficeBinary();
  if (binary.empty()) return;
  // The bridge writes to the pipe of an office that may just have died or been killed (a crash,
  // a cancel, the program's end): that must fail the call, not end this process with SIGPIPE.
  static const bool ignored = [] {
    std::signal(SIGPIPE, SIG_IGN);
    return true;
  }();
  (void)ignored;
  try {
    LocalContext(binary);
  } catch (const app::RuntimeError&) {
    // The worker that needs it reports the reason.
  }
}

OfficePool::OfficePool(OfficePoolOptions options) : options_(std::move(options)) {
  if (options_.offices <= 0) {
    options_.offices = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
  }
  if (options_.profile_root.empty()) options_.profile_root = DefaultProfileRoot();
}

OfficePool::~OfficePool() { Shutdown(); }

void OfficePool::EnsureThreads() {
  // Caller holds mutex_.
  if (!threads_.empty()) return;
  stopping_ = false;
  std::error_code ec;
  fs::create_directories(options_.profile_root, ec);
  fonts_env_ = "FONTCONFIG_FILE=" + WriteFontsConf(options_.profile_root);
  offices_.clear();
  for (int i = 0; i < options_.offices; ++i) {
    auto office = std::make_unique<Office>();
    office->index = static_cast<std::size_t>(i);
    offices_.push_back(std::move(office));
  }
  for (std::size_t i = 0; i < offices_.size(); ++i) threads_.emplace_back(&OfficePool::Worker, this, i);
  watchdog_ = std::thread(&OfficePool::Watchdog, this);
}

void OfficePool::Start(int count) {
  LoadRuntime();
  std::lock_guard lock(mutex_);
  EnsureThreads();
  for (auto& office : offices_) {
    if (count <= 0 || static_cast<int>(office->index) < count) office->want_running = true;
  }
  wake_.notify_all();
}

namespace {

bool OnlyFormat(const ConversionJob& job, StoreFormat format) {
  return !job.targets.empty() && std::all_of(job.targets.begin(), job.targets.end(),
                                             [format](const StoreTarget& t) { return t.format == format; });
}
bool OnlyPdf(const ConversionJob& job) { return OnlyFormat(job, StoreFormat::kPdf); }
bool OnlyDoc(const ConversionJob& job) { return OnlyFormat(job, StoreFormat::kDoc); }
bool HasDoc(const ConversionJob& job) {
  return std::any_of(job.targets.begin(), job.targets.end(),
                     [](const StoreTarget& t) { return t.format == StoreFormat::kDoc; });
}

}  // namespace

std::shared_future<ConversionOutcome> OfficePool::Submit(ConversionJob job) {
  {
    std::lock_guard lock(mutex_);
    if (exiting_) {
      std::promise<ConversionOutcome> refused;
      refused.set_value(ConversionOutcome::Stopped("无法转换“" + job.label + "”：程序正在退出"));
      return refused.get_future().share();
    }
  }
  LoadRuntime();
  auto task = std::make_shared<Task>();
  const std::string bytes = ReadAll(job.source);
  task->hash = std::hash<std::string_view>()(bytes);
  task->size = bytes.size();
  task->zip = bytes.rfind("PK\x03\x04", 0) == 0;
  task->job = std::move(job);
  task->future = task->promise.get_future().share();
  task->queued = Clock::now();

  std::vector<std::shared_ptr<Task>> superseded;
  std::shared_future<ConversionOutcome> result;
  {
    std::lock_guard lock(mutex_);
    EnsureThreads();
    task->generation = generation_;
    for (StoreTarget& t : task->job.targets) {
      t.order = ++next_order_;
      latest_[t.path] = t.order;
    }
    // A target asked for again replaces the waiting request for it.
    for (const StoreTarget& t : task->job.targets) {
      for (auto& w : waiting_) {
        std::erase_if(w->job.targets, [&](const StoreTarget& o) { return o.path == t.path; });
      }
    }
    for (auto it = waiting_.begin(); it != waiting_.end();) {
      if ((*it)->job.targets.empty()) {
        superseded.push_back(*it);
        it = waiting_.erase(it);
      } else {
        ++it;
      }
    }
    // The same bytes waiting already: one load serves both. Not a PDF with another format when
    // PDFs are joined: the PDF goes into a joined export and the other is made from the kept
    // document, neither of which loads it.
    for (auto& w : waiting_) {
      if (options_.join_records && OnlyPdf(w->job) != OnlyPdf(task->job)) continue;
      if (w->hash == task->hash && w->size == task->size && ReadAll(w->job.source) == bytes) {
        w->job.targets.insert(w->job.targets.end(), task->job.targets.begin(),
                              task->job.targets.end());
        if (task->job.take_source && task->job.source != w->job.source) {
          std::error_code ec;
          fs::remove(task->job.source, ec);
        }
        result = w->future;
        break;
      }
    }
    if (!result.valid()) {
      waiting_.push_back(task);
      result = task->future;
    }
  }
  wake_.notify_all();
  for (auto& s : superseded) Finish(s, ConversionOutcome::Succeeded());
  return result;
}

std::shared_ptr<OfficePool::Task> OfficePool::TakeTask() {
  if (waiting_.empty()) return nullptr;
  // The newest job waits a moment for a twin (the PDF of the record whose .doc it is).
  if (waiting_.size() == 1 && Clock::now() - waiting_.front()->queued < options_.coalesce_wait &&
      waiting_.front()->attempts == 0) {
    return nullptr;
  }
  std::shared_ptr<Task> task = waiting_.front();
  waiting_.pop_front();
  return task;
}

namespace {

// A job that may be made with others: PDFs only, of a package (JoinForPages reads the rest).
bool Joinable(const OfficePool::Task& task) {
  return !task.alone && task.zip && task.attempts == 0 && OnlyPdf(task.job);
}

}  // namespace

std::optional<std::vector<std::shared_ptr<OfficePool::Task>>> OfficePool::TakeBatch() {
  if (!options_.join_records || waiting_.empty() || !Joinable(*waiting_.front())) return std::nullopt;
  std::size_t joinable = 0;
  Clock::time_point newest{};
  for (const auto& t : waiting_) {
    if (!Joinable(*t)) continue;
    ++joinable;
    newest = std::max(newest, t->queued);
  }
  // While documents keep coming, a batch waits until it is full.
  if (joinable < kBatchMax && Clock::now() - newest < options_.coalesce_wait / 2) {
    return std::vector<std::shared_ptr<Task>>{};
  }
  // The offices share what waits.
  const std::size_t offices = static_cast<std::size_t>(std::max(1, options_.offices));
  const std::size_t size = std::min(kBatchMax, (joinable + offices - 1) / offices);
  std::vector<std::shared_ptr<Task>> batch;
  std::uintmax_t bytes = 0;
  for (auto it = waiting_.begin(); it != waiting_.end() && batch.size() < size;) {
    if (Joinable(**it)) {
      if (!batch.empty() && bytes + (*it)->size > kBatchBytes) break;
      bytes += (*it)->size;
      batch.push_back(*it);
      it = waiting_.erase(it);
    } else {
      ++it;
    }
  }
  return batch;
}

namespace {

constexpr int kBaseFailures = 3;      // .doc files of a template tried as bases
constexpr std::size_t kBasesPerTemplate = 4;
constexpr std::size_t kTemplates = 16;  // templates whose bases are kept

}  // namespace

bool OfficePool::WantsBase(std::size_t frame) const {
  if (!options_.doc_from_base) return false;
  std::lock_guard lock(mutex_);
  const auto it = bases_.find(frame);
  return it == bases_.end() || (it->second.docs.size() < kBasesPerTemplate && it->second.failures < kBaseFailures);
}

void OfficePool::KeepBase(const std::string& doc, const DocxTexts& texts) {
  if (!WantsBase(texts.frame)) return;
  std::shared_ptr<const DocBase> base = DocBase::Make(ReadAll(doc), texts);
  std::lock_guard lock(mutex_);
  if (bases_.size() >= kTemplates && !bases_.contains(texts.frame)) bases_.erase(bases_.begin());
  Bases& kept = bases_[texts.frame];
  if (!base) {
    ++kept.failures;
  } else if (kept.docs.size() < kBasesPerTemplate) {
    kept.docs.push_back(std::move(base));
  }
}

bool OfficePool::WriteFromBase(const std::shared_ptr<Task>& task, const DocxTexts& texts) {
  if (!OnlyDoc(task->job)) return false;
  std::vector<std::shared_ptr<const DocBase>> bases;
  {
    std::lock_guard lock(mutex_);
    const auto it = bases_.find(texts.frame);
    if (it != bases_.end()) bases = it->second.docs;
  }
  std::optional<std::string> bytes;  // read back by Write before it returns them
  for (const auto& base : bases) {
    if ((bytes = base->Write(texts))) break;
  }
  if (!bytes) return false;
  ++task->attempts;
  ConversionOutcome outcome = ConversionOutcome::Succeeded();
  {
    std::lock_guard lock(mutex_);
    if (task->generation != generation_ || stopping_) outcome = ConversionOutcome::Stopped("已取消");
  }
  for (const StoreTarget& target : task->job.targets) {
    if (!outcome.ok) break;
    {
      // A newer request for this path (made while this one ran) has the last word.
      std::lock_guard lock(mutex_);
      if (latest_[target.path] != target.order) continue;
    }
    try {
      WriteFileAtomically(target.path, *bytes);
    } catch (const app::RuntimeError& e) {
      outcome = ConversionOutcome::Failed(e.text());
    }
  }
  if (outcome.ok) {
    std::lock_guard lock(mutex_);
    ++from_base_;
  }
  Finish(task, std::move(outcome));
  return true;
}

void OfficePool::Finish(const std::shared_ptr<Task>& task, ConversionOutcome outcome) {
  if (task->job.take_source) {
    std::error_code ec;
    fs::remove(task->job.source, ec);
  }
  task->promise.set_value(std::move(outcome));
}

void OfficePool::Worker(std::size_t index) {
  Office& office = *offices_[index];
  office.work_dir = MakeWorkDir();
  int stored = 0;
  for (;;) {
    std::shared_ptr<Task> task;
    std::vector<std::shared_ptr<Task>> batch;
    bool start_now = false;
    {
      std::unique_lock lock(mutex_);
      office.engaged = false;
      for (;;) {
        if (stopping_) break;
        // An office that is not running starts for work only when there is enough of it for
        // the start to pay, and not while the first one is starting (on a busy machine two
        // starting at once take twice as long); the first office always takes work.
        if (index == 0 || office.want_running ||
            (waiting_.size() >= kSpreadAt && offices_[0]->ready)) {
          if (auto joinable = TakeBatch()) {
            batch = std::move(*joinable);
            if (batch.size() == 1) {
              task = batch.front();
              batch.clear();
            }
          } else {
            task = TakeTask();
          }
        }
        if (task || !batch.empty()) break;
        if (office.want_running && !office.Alive()) {
          start_now = true;
          break;
        }
        wake_.wait_for(lock, options_.coalesce_wait / 2);
      }
      if (!task && batch.empty() && !start_now) break;  // stopping
      office.want_running = true;
      office.engaged = true;
      office.engaged_generation = generation_;
    }
    // The texts serve a kept document and the .doc bases; the records of a template whose .doc
    // the pool has made before are written from that one.
    DocxTexts texts;
    if (task && task->zip &&
        ((task->job.take_source && options_.keep_documents) || (options_.doc_from_base && HasDoc(task->job)))) {
      texts = ReadDocxTexts(task->job.source);
      if (texts.ok && options_.doc_from_base && WriteFromBase(task, texts)) continue;
    }
    if (!office.Alive()) {
      office.baseline_kb = 0;
      office.desktop.clear();
      office.edit_macro.clear();
      // A profile serves one office at a time: a second office on it would hand its work to the
      // first and exit. Other offices and other vexlo processes take the next free one.
      if (office.lock_fd < 0) {
        for (int k = 0; k < 64; ++k) {
          const std::string profile = options_.profile_root + "/office-profile-" + std::to_string(k);
          const int fd = ::open((profile + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
          if (fd < 0) break;
          if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            office.lock_fd = fd;
            office.profile = profile;
            break;
          }
          ::close(fd);
        }
        if (office.lock_fd < 0) office.profile = office.work_dir + "/profile";
      }
      SeedProfile(office.profile, OfficeBinary());
      InstallEditMacro(office.profile);
      std::string error;
      try {
        error = StartOffice(office, fonts_env_, options_.start_timeout);
      } catch (const app::RuntimeError& e) {
        error = e.text();
      }
      {
        std::lock_guard lock(mutex_);
        ++starts_;
        office.ready = error.empty();
        if (!error.empty()) office.want_running = false;
      }
      if (!error.empty()) {
        if (task) batch.push_back(task);
        for (auto& t : batch) {
          ++t->attempts;
          Finish(t, ConversionOutcome::Failed("无法转换“" + t->job.label + "”：" + error));
        }
        continue;
      }
    }
    if (!batch.empty()) {
      ConvertBatch(office, std::move(batch), stored);
      ReplaceIfGrown(office);
      continue;
    }
    if (!task) continue;

    ++task->attempts;
    {
      std::lock_guard lock(mutex_);
      office.busy = true;
      office.deadline = Clock::now() + options_.job_timeout;
    }
    ConversionOutcome outcome;
    bool office_failed = false;
    Reference<css::lang::XComponent> doc;
    try {
      // A document that differs from the one kept loaded only in its texts gets them written
      // into that one; any other is loaded (and kept when it can serve the next ones).
      const bool fits = task->job.take_source && options_.keep_documents && texts.ok &&
                        !office.unfit_frames.contains(texts.frame);
      // A .doc the pool could write others from comes from a fresh load, not a kept document.
      const bool base_wanted = texts.ok && HasDoc(task->job) && WantsBase(texts.frame);
      bool fresh = false;  // loaded for this task, not changed from another record
      if (fits && !base_wanted && office.kept.is() && office.kept_texts.frame == texts.frame &&
          office.kept_texts.paragraphs.size() == texts.paragraphs.size()) {
        Reference<css::frame::XModel> model(office.kept, UNO_QUERY);
        if (model.is()) model->lockControllers();
        // No view updates while the texts change, one layout afterwards.
        const bool set_ok = SetTexts(office.edit_macro, office.kept_paragraphs,
                                     office.kept_texts.paragraphs, texts.paragraphs);
        if (model.is()) model->unlockControllers();
        if (set_ok) {
          doc = office.kept;
          office.kept_texts = texts;
          ++office.reused;
        } else {
          office.unfit_frames.insert(texts.frame);
          CloseDocument(office.kept);
          office.kept.clear();
          office.kept_paragraphs.clear();
        }
      }
      if (!doc.is()) {
        std::string load_path = task->job.source;
        if (fits) {
          // The kept document is loaded from a copy of its own: the source goes once done.
          load_path = office.work_dir + "/kept-" + std::to_string(++stored) + ".docx";
          std::error_code ec;
          fs::copy_file(task->job.source, load_path, fs::copy_options::overwrite_existing, ec);
          if (ec) load_path = task->job.source;
        }
        Reference<css::frame::XComponentLoader> loader(office.desktop, UNO_QUERY_THROW);
        doc = loader->loadComponentFromURL(
            U(FileUrl(load_path)), U("_blank"), 0,
            Props({Prop("Hidden", css::uno::Any(true)), Prop("ReadOnly", css::uno::Any(!fits)),
                   Prop("MacroExecutionMode", css::uno::Any(sal_Int16(0)))}));
        if (!doc.is()) throw css::uno::RuntimeException(U("无法打开文档"));
        fresh = true;
        {
          std::lock_guard lock(mutex_);
          ++loads_;
        }
        if (fits) {
          std::vector<Reference<css::text::XTextRange>> paragraphs = Paragraphs(doc);
          if (Texts(paragraphs) == texts.paragraphs) {
            LockUndo(doc);
            CloseDocument(office.kept);
            office.kept = doc;
            office.kept_paragraphs = std::move(paragraphs);
            office.kept_texts = texts;
          } else {
            office.unfit_frames.insert(texts.frame);
          }
        }
      }
      // The page count takes a layout: only a PDF (or page image) needs it.
      if (std::any_of(task->job.targets.begin(), task->job.targets.end(), [](const StoreTarget& t) {
            return t.format == StoreFormat::kPdf || t.format == StoreFormat::kPng;
          })) {
        outcome.pages = PageCount(doc);
      }
      Reference<css::frame::XStorable> storable(doc, UNO_QUERY_THROW);
      std::vector<std::pair<std::string, const StoreTarget*>> made;
      std::string error;
      for (const StoreTarget& target : task->job.targets) {
        const std::string tmp =
            office.work_dir + "/" + std::to_string(++stored) + Extension(target.format);
        if (target.format == StoreFormat::kPng) {
          // The office's picture export needs a visible view; its first page as a PDF, drawn
          // by poppler, serves as well.
          const std::string page = tmp + ".pdf";
          storable->storeToURL(
              U(FileUrl(page)),
              Props({Prop("FilterName", css::uno::Any(U("writer_pdf_Export"))),
                     Prop("FilterData", css::uno::Any(Props({Prop("PageRange", css::uno::Any(U("1")))})))}));
          error = DrawPng(page, tmp, target.png_width);
          std::error_code ec;
          fs::remove(page, ec);
          if (!error.empty()) break;
        } else {
          storable->storeToURL(
              U(FileUrl(tmp)),
              Props({Prop("FilterName",
                          css::uno::Any(rtl::OUString::createFromAscii(FilterName(target.format))))}));
        }
        error = CheckStored(tmp, target.format, target.format == StoreFormat::kPdf ? outcome.pages : 0);
        if (!error.empty()) {
          std::error_code ec;
          fs::remove(tmp, ec);
          break;
        }
        if (target.format == StoreFormat::kDoc && fresh && texts.ok && options_.doc_from_base) {
          KeepBase(tmp, texts);
        }
        made.emplace_back(tmp, &target);
      }
      if (error.empty()) {
        // Only when every format is made do the files go to their names.
        for (const auto& [tmp, target] : made) {
          {
            // A newer request for this path (made while this one ran) has the last word.
            std::lock_guard lock(mutex_);
            if (latest_[target->path] != target->order) continue;
          }
          try {
            ReplaceFileAtomically(tmp, target->path);
          } catch (const app::RuntimeError& e) {
            if (error.empty()) error = e.text();
          }
        }
      }
      for (const auto& [tmp, target] : made) {
        std::error_code ec;
        fs::remove(tmp, ec);
      }
      outcome.ok = error.empty();
      outcome.error = error;
    } catch (const css::lang::DisposedException& e) {
      // The bridge to the office is gone: the office died, even if its process has not yet been
      // reaped. It is replaced before the document is tried again.
      outcome.ok = false;
      outcome.error = DescribeUnoError(e);
      office_failed = true;
    } catch (const css::uno::Exception& e) {
      outcome.ok = false;
      outcome.error = DescribeUnoError(e);
      office_failed = !office.Alive() || office.killed;
    }
    if (doc.is() && doc != office.kept) CloseDocument(doc);
    doc.clear();
    if (office_failed) {
      office.kept.clear();
      office.kept_paragraphs.clear();
    }
    bool cancelled = false;
    bool retry = false;
    {
      std::lock_guard lock(mutex_);
      office.busy = false;
      cancelled = task->generation != generation_ || stopping_;
      retry = !outcome.ok && !cancelled && task->attempts < kMaxAttempts;
      if (retry) waiting_.push_front(task);
    }
    if (office_failed || (!outcome.ok && !office.Alive())) {
      office.Drop();
    } else if (!outcome.ok && office.kept.is()) {
      // Whatever went wrong may have left the kept document half changed.
      CloseDocument(office.kept);
      office.kept.clear();
      office.kept_paragraphs.clear();
    }
    if (retry) continue;
    if (cancelled && !outcome.ok) {
      outcome.error = "已取消";
      outcome.stopped = true;
    }
    if (!outcome.ok) {
      outcome.error = "无法转换“" + task->job.label + "”：" + outcome.error +
                      (task->attempts >= kMaxAttempts ? "（已重试一次）" : "");
    }
    Finish(task, std::move(outcome));
    ReplaceIfGrown(office);
  }

  // Shutting down: a polite end first, then by force; when the program is ending, by force.
  if (exiting_) office.Kill();
  EndOffice(office);
  if (office.lock_fd >= 0) ::close(office.lock_fd);
  office.lock_fd = -1;
  std::error_code ec;
  if (!office.work_dir.empty()) fs::remove_all(office.work_dir, ec);
}

// An office grows a little with every PDF it makes and never gives it back: once it has grown by
// options_.growth_limit_mb since its first document, it is replaced between two documents, so
// that memory stays bounded however many documents go through.
void OfficePool::ReplaceIfGrown(Office& office) {
  const long rss_kb = office.Alive() ? ResidentKb(office) : 0;
  if (rss_kb > 0 && office.baseline_kb == 0) {
    office.baseline_kb = rss_kb;
  } else if (rss_kb > 0 && rss_kb - office.baseline_kb >= options_.growth_limit_mb * 1024L) {
    EndOffice(office);
    office.baseline_kb = 0;
    std::lock_guard lock(mutex_);
    ++replaced_;
  }
}

void OfficePool::ConvertBatch(Office& office, std::vector<std::shared_ptr<Task>> batch,
                              int& stored) {
  {
    // One export of many records: twice the time of one document before it counts as hung.
    std::lock_guard lock(mutex_);
    office.busy = true;
    office.deadline = Clock::now() + 2 * options_.job_timeout;
  }
  std::vector<std::string> sources;
  for (const auto& t : batch) sources.push_back(t->job.source);
  const std::string base = office.work_dir + "/joined-" + std::to_string(++stored);
  const JoinedDocuments joined = JoinForPages(sources, base + ".docx");
  std::vector<std::string> marks;
  std::vector<std::string> parts;
  for (std::size_t k = 0; k < joined.members.size(); ++k) {
    marks.push_back(RecordMark(k));
    parts.push_back(base + "-" + std::to_string(k) + ".pdf");
  }
  PdfSplit split;
  bool office_failed = false;
  if (!joined.members.empty()) {
    Reference<css::lang::XComponent> doc;
    try {
      Reference<css::frame::XComponentLoader> loader(office.desktop, UNO_QUERY_THROW);
      doc = loader->loadComponentFromURL(
          U(FileUrl(base + ".docx")), U("_blank"), 0,
          Props({Prop("Hidden", css::uno::Any(true)), Prop("ReadOnly", css::uno::Any(true)),
                 Prop("MacroExecutionMode", css::uno::Any(sal_Int16(0)))}));
      if (!doc.is()) throw css::uno::RuntimeException(U("无法打开文档"));
      {
        std::lock_guard lock(mutex_);
        ++loads_;
      }
      // The record marks become named destinations, where the PDF is cut. Given any filter
      // data, the export takes a lower picture quality than its own default: it is restored.
      const auto filter_data = Props({Prop("ExportBookmarksToPDFDestination", css::uno::Any(true)),
                                      Prop("Quality", css::uno::Any(sal_Int32(90)))});
      Reference<css::frame::XStorable>(doc, UNO_QUERY_THROW)
          ->storeToURL(U(FileUrl(base + ".pdf")),
                       Props({Prop("FilterName", css::uno::Any(U("writer_pdf_Export"))),
                              Prop("FilterData", css::uno::Any(filter_data))}));
      CloseDocument(doc);
      doc.clear();
      split = SplitPdfAtDestinations(base + ".pdf", marks, parts);
    } catch (const css::lang::DisposedException& e) {
      split.error = DescribeUnoError(e);  // the bridge is gone: the office died
      office_failed = true;
    } catch (const css::uno::Exception& e) {
      split.error = DescribeUnoError(e);
      office_failed = !office.Alive() || office.killed;
    }
    if (doc.is()) CloseDocument(doc);
  }
  std::error_code ec;
  fs::remove(base + ".docx", ec);
  fs::remove(base + ".pdf", ec);
  if (office_failed) office.Drop();

  // Each record's PDF, checked, goes to every path asked for it.
  std::vector<bool> done(batch.size(), false);
  if (split.error.empty()) {
    for (std::size_t k = 0; k < joined.members.size(); ++k) {
      const std::shared_ptr<Task>& task = batch[joined.members[k]];
      // A part that did not come out whole is made alone.
      if (!CheckStored(parts[k], StoreFormat::kPdf, split.pages[k]).empty()) continue;
      std::string error;
      for (std::size_t n = 0; error.empty() && n < task->job.targets.size(); ++n) {
        const StoreTarget& target = task->job.targets[n];
        {
          std::lock_guard lock(mutex_);
          if (latest_[target.path] != target.order) continue;
        }
        const std::string copy = parts[k] + "." + std::to_string(n);
        fs::copy_file(parts[k], copy, fs::copy_options::overwrite_existing, ec);
        try {
          if (ec) throw app::RuntimeError::Output("无法复制“" + task->job.label + "”的PDF文件");
          ReplaceFileAtomically(copy, target.path);
        } catch (const app::RuntimeError& e) {
          error = e.text();
        }
        fs::remove(copy, ec);
      }
      fs::remove(parts[k], ec);
      ConversionOutcome outcome;
      outcome.ok = error.empty();
      outcome.pages = split.pages[k];
      outcome.error = error.empty() ? "" : "无法转换“" + task->job.label + "”：" + error;
      done[joined.members[k]] = true;
      {
        std::lock_guard lock(mutex_);
        ++joined_;
      }
      Finish(task, std::move(outcome));
    }
  }
  for (const std::string& part : parts) fs::remove(part, ec);

  // The rest are made one by one, or end with the run when it was cancelled meanwhile.
  std::vector<std::shared_ptr<Task>> stopped;
  {
    std::lock_guard lock(mutex_);
    office.busy = false;
    for (std::size_t i = batch.size(); i-- > 0;) {
      if (done[i]) continue;
      if (batch[i]->generation != generation_ || stopping_) {
        stopped.push_back(batch[i]);
      } else {
        batch[i]->alone = true;
        waiting_.push_front(batch[i]);
      }
    }
  }
  wake_.notify_all();
  for (auto& t : stopped) Finish(t, ConversionOutcome::Stopped("已取消"));
}

void OfficePool::EndOffice(Office& office) {
  if (office.kept.is() && office.Alive()) CloseDocument(office.kept);
  office.kept.clear();
  office.kept_paragraphs.clear();
  if (office.Alive() && office.desktop.is()) {
    {
      std::lock_guard lock(mutex_);
      office.busy = true;
      office.deadline = Clock::now() + 5s;
    }
    try {
      office.desktop->terminate();
    } catch (const css::uno::Exception&) {
    }
    pid_t pid;
    {
      std::lock_guard lock(office.proc);
      pid = office.pid;
    }
    if (pid > 0 && WaitExited(pid, 3s) != -2) {
      std::lock_guard lock(office.proc);
      office.pid = -1;
    }
  }
  office.desktop.clear();
  office.edit_macro.clear();
  office.Kill();
  std::lock_guard lock(mutex_);
  office.busy = false;
  office.ready = false;
}

void OfficePool::Watchdog() {
  std::unique_lock lock(mutex_);
  for (;;) {
    const bool stop = watchdog_stop_;
    for (auto& office : offices_) {
      if (!office->busy) continue;
      if (Clock::now() > office->deadline) {
        // Hung: kill it; the call waiting on it fails and the worker starts a new one.
        office->busy = false;
        lock.unlock();
        office->Kill();
        lock.lock();
      }
    }
    if (stop) return;
    wake_.wait_for(lock, 100ms);
  }
}

void OfficePool::Cancel() {
  std::deque<std::shared_ptr<Task>> dropped;
  {
    std::lock_guard lock(mutex_);
    ++generation_;
    dropped.swap(waiting_);
    for (auto& office : offices_) office->want_running = false;
  }
  // A worker still busy with earlier work may be starting an office right now: the offices are
  // killed until every such worker is back at its wait, so that none outlives the cancel.
  KillUntilSettled([this] {
    return std::none_of(offices_.begin(), offices_.end(), [this](const auto& office) {
      return office->engaged && office->engaged_generation != generation_;
    });
  });
  for (auto& task : dropped) Finish(task, ConversionOutcome::Stopped("无法转换“" + task->job.label + "”：已取消"));
}

void OfficePool::Shutdown(bool at_exit) {
  std::deque<std::shared_ptr<Task>> dropped;
  {
    std::lock_guard lock(mutex_);
    exiting_ = exiting_ || at_exit;  // for good: nothing starts again while the program ends
    if (threads_.empty()) return;
    stopping_ = true;
    dropped.swap(waiting_);
  }
  wake_.notify_all();
  for (auto& task : dropped) Finish(task, ConversionOutcome::Stopped("无法转换“" + task->job.label + "”：程序正在退出"));
  if (at_exit) {
    // No office may be left starting or working while the program's state goes.
    KillUntilSettled([this] {
      return std::none_of(offices_.begin(), offices_.end(),
                          [](const auto& office) { return office->engaged; });
    });
  }
  for (auto& t : threads_) t.join();
  threads_.clear();
  {
    std::lock_guard lock(mutex_);
    watchdog_stop_ = true;
  }
  wake_.notify_all();
  if (watchdog_.joinable()) watchdog_.join();
  std::lock_guard lock(mutex_);
  offices_.clear();
  stopping_ = false;
  watchdog_stop_ = false;
}

void OfficePool::KillUntilSettled(const std::function<bool()>& settled) {
  std::unique_lock lock(mutex_);
  for (;;) {
    lock.unlock();
    for (auto& office : offices_) office->Kill();
    lock.lock();
    if (settled()) break;
    wake_.wait_for(lock, 20ms);
  }
  lock.unlock();
  for (auto& office : offices_) office->Kill();
}

ConversionOutcome OfficePool::RenderPagePng(const std::string& document, int width,
                                            const std::string& png_path) {
  ConversionJob job;
  job.source = document;
  job.label = fs::path(document).filename().string();
  job.targets.push_back({png_path, StoreFormat::kPng, width});
  return Submit(std::move(job)).get();
}

std::vector<int> OfficePool::OfficePids() const {
  std::vector<int> pids;
  std::lock_guard lock(mutex_);
  for (auto& office : offices_) {
    std::lock_guard plock(office->proc);
    if (office->pid > 0) pids.push_back(office->pid);
  }
  return pids;
}

int OfficePool::loads() const {
  std::lock_guard lock(mutex_);
  return loads_;
}

int OfficePool::replaced() const {
  std::lock_guard lock(mutex_);
  return replaced_;
}

int OfficePool::from_base() const {
  std::lock_guard lock(mutex_);
  return from_base_;
}

int OfficePool::joined() const {
  std::lock_guard lock(mutex_);
  return joined_;
}

int OfficePool::starts() const {
  std::lock_guard lock(mutex_);
  return starts_;
}

}  // namespace vexlo::engine
