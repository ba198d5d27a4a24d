#include "tests/support/recording_office.h"

#include <cctype>
#include <algorithm>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>

#include "app/runtime_error.h"
#include "office/automation_object.h"
#include "office/server_registry.h"

namespace vexlo::test {
namespace {

using office::Args;
using office::AutomationObject;
using office::Value;

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void Spit(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw app::RuntimeError::File(path, "无法写入");
  out << text;
}

// A logged argument: text in quotes, booleans and longs bare.
std::string Describe(const Value& v) {
  switch (v.kind()) {
    case Value::Kind::kText: return "'" + v.text() + "'";
    case Value::Kind::kBool: return v.boolean() ? "true" : "false";
    case Value::Kind::kLong: return std::to_string(v.long_value());
    default: return "?";
  }
}

std::string DescribeAll(const Args& a) {
  std::string line;
  for (std::size_t i = 0; i < a.size(); ++i) line += " " + Describe(a[i]);
  return line;
}

bool WordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

bool SameIgnoringCase(const std::string& text, std::size_t at, const std::string& what) {
  for (std::size_t i = 0; i < what.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[at + i])) !=
        std::tolower(static_cast<unsigned char>(what[i])))
      return false;
  }
  return true;
}

// Replaces every whole-word, case-insensitive occurrence of `what` in `text`.
std::string ReplaceWords(const std::string& text, const std::string& what, const std::string& with) {
  if (what.empty()) return text;
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    if (i + what.size() <= text.size() && SameIgnoringCase(text, i, what) &&
        (i == 0 || !WordChar(text[i - 1])) &&
        (i + what.size() == text.size() || !WordChar(text[i + what.size()]))) {
      out += with;
      i += what.size();
    } else {
      out += text[i++];
    }
  }
  return out;
}

class Object : public AutomationObject {
 public:
  Object(RecordingOffice& office, std::string who, std::string type)
      : AutomationObject(std::move(type)), office_(office), who_(std::move(who)) {}

 protected:
  void Log(const std::string& line) { office_.log.push_back(who_ + " " + line); }
  void Method(std::string_view name, int min_args, int max_args, Body body) {
    AddMethod(name, min_args, max_args, [this, n = std::string(name), body](const Args& args) {
      if (office_.failing_members.count(n)) {
        throw app::RuntimeError::Automation("自动化调用失败：" + n);
      }
      return body(args);
    });
  }
  RecordingOffice& office_;
  std::string who_;
};

// --- spreadsheet ---

class Range : public Object {
 public:
  Range(RecordingOffice& office, std::string address) : Object(office, "excel", "Range") {
    AddProperty("value", [this, address] {
      auto it = office_.cells.find(address);
      return it == office_.cells.end() ? Value() : Value(it->second);
    });
    // What the cell shows: its own text where one is given, else its value ("" when empty).
    AddProperty("text", [this, address] {
      if (auto it = office_.shown.find(address); it != office_.shown.end()) return Value(it->second);
      auto it = office_.cells.find(address);
      return Value(it == office_.cells.end() ? std::string() : it->second);
    });
  }
};

class Sheet : public Object {
 public:
  explicit Sheet(RecordingOffice& office) : Object(office, "excel", "Worksheet") {
    Method("range", 1, 1, [this](const Args& a) {
      return Value(std::make_shared<Range>(office_, a.Text(0)));
    });
    // From row 1 to the last row that holds a cell.
    AddProperty("usedrange", [this] {
      int32_t last = 1;
      for (const auto& [address, text] : office_.cells) {
        const std::size_t digits = address.find_first_of("0123456789");
        if (digits != std::string::npos) last = std::max(last, std::stoi(address.substr(digits)));
      }
      return Value(std::make_shared<UsedRows>(office_, last));
    });
  }

 private:
  class UsedRows : public Object {
   public:
    UsedRows(RecordingOffice& office, int32_t rows) : Object(office, "excel", "Range") {
      AddProperty("row", [] { return Value(1); });
      AddProperty("rows", [this, rows] { return Value(std::make_shared<Count>(office_, rows)); });
    }
  };
  class Count : public Object {
   public:
    Count(RecordingOffice& office, int32_t n) : Object(office, "excel", "Range") {
      AddProperty("count", [n] { return Value(n); });
    }
  };
};

class ExcelApp : public Object, public std::enable_shared_from_this<ExcelApp> {
 public:
  explicit ExcelApp(RecordingOffice& office) : Object(office, "excel", "Application") {
    AddProperty("application", [this] { return Value(shared_from_this()); });
    AddProperty("workbooks", [this] { return Value(workbooks_); });
    AddProperty("activesheet", [this] { return Value(std::make_shared<Sheet>(office_)); });
    AddProperty("visible", [this] { return Value(visible_); },
                [this](const Value& v) {
                  visible_ = v.boolean();
                  Log(std::string("visible ") + (visible_ ? "true" : "false"));
                });
    Method("quit", 0, 0, [this](const Args&) {
      Log("quit");
      --office_.running;
      return Value();
    });
    workbooks_ = std::make_shared<Workbooks>(office);
  }

 private:
  class Workbooks : public Object {
   public:
    explicit Workbooks(RecordingOffice& office) : Object(office, "excel", "Workbooks") {
      Method("open", 1, 1, [this](const Args& a) {
        Log("open " + a.Text(0));
        return Value();
      });
    }
  };
  std::shared_ptr<Workbooks> workbooks_;
  bool visible_ = false;
};

// --- word processor ---

struct Doc {
  std::string text;
  std::string path;
  bool open = true;
};

// Finds in a document's text from byte `from` on; with wrap 1 in the whole text.
class Finder : public Object {
 public:
  Finder(RecordingOffice& office, std::string who, std::function<std::shared_ptr<Doc>()> doc,
         std::size_t from)
      : Object(office, who, "Find") {
    Method("execute", 11, 11, [this, doc, from](const Args& a) {
      Log("execute" + DescribeAll(a));
      std::string& text = doc()->text;
      const std::size_t at = a.Long(7) == 1 ? 0 : std::min(from, text.size());
      const std::string replaced = ReplaceWords(text.substr(at), a.Text(0), a.Text(9));
      // Replace 0 only finds: the marker U+0001 never occurs in a template.
      if (a.Long(10) == 0) return Value(ReplaceWords(text.substr(at), a.Text(0), "\x01") != text.substr(at));
      text = text.substr(0, at) + replaced;
      return Value(true);
    });
  }
};

// Sections, headers, footers, notes and fields of a plain text: `count` of them, none of which
// exists (a section's headers and footers) or holds anything.
class Empty : public Object {
 public:
  Empty(RecordingOffice& office, std::string who, int32_t count) : Object(office, who, "Collection") {
    AddProperty("count", [count] { return Value(count); });
    AddProperty("exists", [] { return Value(false); });
    for (const char* part : {"headers", "footers"}) {
      AddProperty(part, [this] { return Value(std::make_shared<Empty>(office_, who_, 3)); });
    }
    Method("item", 1, 1, [this](const Args&) { return Value(std::make_shared<Empty>(office_, who_, 0)); });
  }
};

// Positions are byte offsets in the text.
class TextRange : public Object {
 public:
  TextRange(RecordingOffice& office, std::string who, std::shared_ptr<Doc> doc, int32_t start, int32_t end)
      : Object(office, who, "Range") {
    AddProperty("start", [start] { return Value(start); });
    AddProperty("end", [end] { return Value(end); });
    AddProperty("text", [doc, start, end] {
      const std::size_t from = std::min<std::size_t>(static_cast<std::size_t>(start), doc->text.size());
      return Value(doc->text.substr(from, static_cast<std::size_t>(end) - from));
    });
    AddProperty("fields", [this] {
      return Value(std::make_shared<Empty>(office_, who_, 0));
    });
    AddProperty("find", [this, doc, start] {
      return Value(std::make_shared<Finder>(office_, who_, [doc] { return doc; },
                                            static_cast<std::size_t>(start)));
    });
  }
};

class Document : public Object {
 public:
  Document(RecordingOffice& office, std::string who, std::shared_ptr<Doc> doc)
      : Object(office, who, "Document"), doc_(std::move(doc)) {
    AddProperty("content", [this] {
      return Value(std::make_shared<TextRange>(office_, who_, doc_, 0, Length()));
    });
    // One section without headers or footers, and no notes.
    AddProperty("sections", [this] {
      return Value(std::make_shared<Empty>(office_, who_, 1));
    });
    for (const char* notes : {"footnotes", "endnotes"}) {
      AddProperty(notes, [this] {
        return Value(std::make_shared<Empty>(office_, who_, 0));
      });
    }
    Method("range", 2, 2, [this](const Args& a) {
      return Value(std::make_shared<TextRange>(office_, who_, doc_, a.Long(0), a.Long(1)));
    });
    Method("saveas", 1, 1, [this](const Args& a) {
      doc_->path = a.Text(0);
      Log("saveas " + doc_->path);
      Spit(doc_->path, doc_->text);
      return Value();
    });
    Method("save", 0, 0, [this](const Args&) {
      Log("save");
      Spit(doc_->path, doc_->text);
      return Value();
    });
    Method("close", 0, 0, [this](const Args&) {
      Log("close");
      doc_->open = false;
      return Value();
    });
    Method("printout", 8, 8, [this](const Args& a) {
      Log("printout" + DescribeAll(a));
      return Value();
    });
    Method("exportasfixedformat", 2, 2, [this](const Args& a) {
      Log("exportasfixedformat" + DescribeAll(a));
      if (office_.pdfs_written_at_once) Spit(a.Text(0), "PDF:" + doc_->text);
      return Value();
    });
    Method("exportprotectedpdf", 2, 2, [this](const Args& a) {
      Log("exportprotectedpdf" + DescribeAll(a));
      if (office_.pdfs_written_at_once) Spit(a.Text(0), "PDF:" + doc_->text);
      return Value();
    });
  }

 private:
  int32_t Length() const { return static_cast<int32_t>(doc_->text.size()); }
  std::shared_ptr<Doc> doc_;
};

class WordApp : public Object, public std::enable_shared_from_this<WordApp> {
 public:
  WordApp(RecordingOffice& office, std::string who) : Object(office, who, "Application") {
    AddProperty("application", [this] { return Value(shared_from_this()); });
    AddProperty("visible", [this] { return Value(visible_); },
                [this](const Value& v) {
                  visible_ = v.boolean();
                  Log(std::string("visible ") + (visible_ ? "true" : "false"));
                });
    AddProperty("version", [this] { return Value(office_.word_version); });
    Method("quit", 0, 0, [this](const Args&) {
      Log("quit");
      --office_.running;
      return Value();
    });
    AddProperty("documents", [this] { return Value(std::make_shared<Documents>(*this)); });
    AddProperty("activedocument", [this] { return Current(); });
    AddProperty("selection", [this] { return Value(std::make_shared<Selection>(*this)); });
  }

  Value Current() {
    for (auto it = docs_.rbegin(); it != docs_.rend(); ++it) {
      if ((*it)->open) return Value(std::make_shared<Document>(office_, who_, *it));
    }
    throw app::RuntimeError::Automation("没有打开的文档");
  }
  std::shared_ptr<Doc> CurrentDoc() {
    for (auto it = docs_.rbegin(); it != docs_.rend(); ++it) {
      if ((*it)->open) return *it;
    }
    throw app::RuntimeError::Automation("没有打开的文档");
  }

 private:
  class Documents : public Object {
   public:
    explicit Documents(WordApp& app) : Object(app.office_, app.who_, "Documents"), app_(app) {
      Method("add", 3, 3, [this](const Args& a) {
        Log("add" + DescribeAll(a));
        auto doc = std::make_shared<Doc>();
        if (!a.Text(0).empty()) doc->text = Slurp(a.Text(0));
        app_.docs_.push_back(doc);
        return Value(std::make_shared<Document>(office_, who_, doc));
      });
      Method("item", 1, 1, [this](const Args& a) {
        if (a.Long(0) != 1) throw app::RuntimeError::ArrayBounds();
        return app_.Current();
      });
    }

   private:
    WordApp& app_;
  };

  class Selection : public Object {
   public:
    explicit Selection(WordApp& app) : Object(app.office_, app.who_, "Selection"), app_(app) {
      Method("wholestory", 0, 0, [this](const Args&) {
        Log("wholestory");
        return Value();
      });
      Method("copy", 0, 0, [this](const Args&) {
        Log("copy");
        office_.clipboard = app_.CurrentDoc()->text;
        return Value();
      });
      Method("paste", 0, 0, [this](const Args&) {
        Log("paste");
        app_.CurrentDoc()->text += office_.clipboard;
        return Value();
      });
      Method("find", 0, 0, [this](const Args&) {
        return Value(std::make_shared<Finder>(office_, who_, [this] { return app_.CurrentDoc(); }, 0));
      });
      // The insertion point: the end of the text.
      AddProperty("start", [this] { return Value(static_cast<int32_t>(app_.CurrentDoc()->text.size())); });
    }

   private:
    WordApp& app_;
  };

  std::vector<std::shared_ptr<Doc>> docs_;
  bool visible_ = false;
};

class Instance : public office::ServerInstance {
 public:
  Instance(RecordingOffice& office, std::string who, std::shared_ptr<office::Dispatch> root)
      : office_(office), who_(std::move(who)), root_(std::move(root)) {
    office_.log.push_back(who_ + " start");
    ++office_.running;
  }
  std::shared_ptr<office::Dispatch> Root() override { return root_; }
  void LastHandleReleased() override { office_.log.push_back(who_ + " released"); }

 private:
  RecordingOffice& office_;
  std::string who_;
  std::shared_ptr<office::Dispatch> root_;
};

}  // namespace

RecordingOffice::RecordingOffice() {
  office::RegisterServer("excel.application", [this]() -> std::shared_ptr<office::ServerInstance> {
    if (!excel_can_start) return nullptr;
    return std::make_shared<Instance>(*this, "excel", std::make_shared<ExcelApp>(*this));
  });
  office::RegisterServer("word.application", [this]() -> std::shared_ptr<office::ServerInstance> {
    if (word_instances >= word_starts_allowed) return nullptr;
    const std::string who = "word" + std::to_string(++word_instances);
    return std::make_shared<Instance>(*this, who, std::make_shared<WordApp>(*this, who));
  });
}

RecordingOffice::~RecordingOffice() {
  office::UnregisterServer("excel.application");
  office::UnregisterServer("word.application");
}

std::vector<std::string> RecordingOffice::Lines(const std::string& prefix) const {
  std::vector<std::string> lines;
  for (const auto& line : log) {
    if (line.rfind(prefix, 0) == 0) lines.push_back(line);
  }
  return lines;
}

}  // namespace vexlo::test
