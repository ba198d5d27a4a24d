// The automation gateway against a small server of the test's own.
#include "office/oleobject.h"

#include <gtest/gtest.h>

#include "app/runtime_error.h"
#include "office/automation_object.h"
#include "office/server_registry.h"

namespace vexlo::office {
namespace {

using app::RuntimeError;

struct Counters {
  int started = 0;
  int released = 0;
};

// "Counter.Application": a property "visible", a read-only "version", a child object "items"
// whose "add(text, [times])" method concatenates, and "quit".
class Items : public AutomationObject {
 public:
  Items() : AutomationObject("Items") {
    AddMethod("add", 1, 2, [this](const Args& a) {
      for (int i = 0; i < a.Long(1, 1); ++i) all += a.Text(0);
      return Value(all);
    });
    AddProperty("count", [this] { return Value(static_cast<int32_t>(all.size())); });
  }
  std::string all;
};

class CounterApp : public AutomationObject {
 public:
  CounterApp() : AutomationObject("Application") {
    AddProperty("application", [this] { return Value(self.lock()); });
    AddProperty("visible", [this] { return Value(visible); },
                [this](const Value& v) { visible = ArgBool(v, "visible", 1); });
    AddProperty("version", [] { return Value("16.0"); });
    AddProperty("items", [this] { return Value(std::static_pointer_cast<Dispatch>(items)); });
    AddMethod("quit", 0, 0, [this](const Args&) {
      quit = true;
      return Value();
    });
  }
  std::weak_ptr<CounterApp> self;
  std::shared_ptr<Items> items = std::make_shared<Items>();
  bool visible = false;
  bool quit = false;
};

class CounterInstance : public ServerInstance {
 public:
  explicit CounterInstance(Counters* c) : counters(c) {
    ++counters->started;
    app->self = app;
  }
  std::shared_ptr<Dispatch> Root() override { return app; }
  bool IsRunning() const override { return !app->quit; }
  void LastHandleReleased() override { ++counters->released; }

  Counters* counters;
  std::shared_ptr<CounterApp> app = std::make_shared<CounterApp>();
};

class OleObjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterServer("Counter.Application",
                   [this] { return std::make_shared<CounterInstance>(&counters_); });
    RegisterServer("broken.application", [] { return nullptr; });
  }
  void TearDown() override {
    UnregisterServer("counter.application");
    UnregisterServer("broken.application");
  }
  Counters counters_;
};

std::string ErrorText(const std::function<void()>& f) {
  try {
    f();
  } catch (const RuntimeError& e) {
    return std::to_string(e.number()) + " " + e.text();
  }
  return "no error";
}

TEST_F(OleObjectTest, ConnectResults) {
  oleobject h;
  EXPECT_EQ(h.start_new(""), kConnectInvalidCall);
  EXPECT_EQ(h.start_new("nobody.application"), kConnectClassNotFound);
  EXPECT_EQ(h.start_new("broken.application"), kConnectCannotCreate);
  EXPECT_EQ(h.attach("counter.application"), kConnectNotRunning);
  EXPECT_FALSE(h.connected());
  EXPECT_EQ(h.start_new("COUNTER.application"), kConnectOk);
  EXPECT_TRUE(h.connected());
}

TEST_F(OleObjectTest, MembersByNameAnyCaseThroughChains) {
  oleobject h;
  ASSERT_EQ(h.start_new("counter.application"), 0);
  h.get("application").set("Visible", true);
  EXPECT_EQ(h.get("VISIBLE"), Value(true));
  Value items = h.get("application").get("items");
  EXPECT_EQ(items.call("add", {"ab", 2}), Value("abab"));
  EXPECT_EQ(items.call("ADD", {"c"}), Value("ababc"));
  EXPECT_EQ(*ToText(h.get("items").get("count")), "5");
  EXPECT_EQ(*ToText(h.call("version")), "16.0");  // a property read as a call without arguments
}

TEST_F(OleObjectTest, BadAccessesRaiseTheAutomationErrorNamingTheMember) {
  oleobject h;
  EXPECT_EQ(ErrorText([&] { h.get("application"); }),
            "5 自动化调用失败：对象没有连接到服务器（读取属性 application）");
  ASSERT_EQ(h.start_new("counter.application"), 0);
  EXPECT_EQ(ErrorText([&] { h.get("workbooks"); }),
            "5 自动化调用失败：“Application”对象不支持“workbooks”（读取属性 workbooks）");
  EXPECT_EQ(ErrorText([&] { h.get("items").call("add", {}); }),
            "5 自动化调用失败：“Items”的方法“add”需要 1 到 2 个参数，实际传入 0 个");
  EXPECT_EQ(ErrorText([&] { h.get("items").call("add", {"x", "many"}); }),
            "5 自动化调用失败：“add”的第 2 个参数类型不匹配");
  EXPECT_EQ(ErrorText([&] { h.set("version", "1"); }),
            "5 自动化调用失败：“Application”的“version”是只读的，不能设置");
  EXPECT_EQ(ErrorText([&] { h.get("version").get("x"); }),
            "5 自动化调用失败：值不是对象，不能访问“x”");
  EXPECT_EQ(ErrorText([&] { Value().get("x"); }).substr(0, 2), "2 ");  // null object
}

TEST_F(OleObjectTest, AttachSharesTheRunningInstanceAndTheLastReleaseDropsIt) {
  auto first = std::make_unique<oleobject>();
  ASSERT_EQ(first->start_new("counter.application"), 0);
  first->get("items").call("add", {"x"});

  oleobject second;
  ASSERT_EQ(second.attach("counter.application"), 0);
  EXPECT_EQ(second.get("items").get("count"), Value(1));
  EXPECT_EQ(counters_.started, 1);

  first.reset();  // destroying a handle drops its connection
  EXPECT_EQ(counters_.released, 0);
  second.release();
  EXPECT_EQ(counters_.released, 1);
  second.release();  // harmless on an unconnected handle
  EXPECT_EQ(second.attach("counter.application"), kConnectNotRunning);
}

TEST_F(OleObjectTest, QuitInstanceIsNoLongerFoundByAttach) {
  oleobject h;
  ASSERT_EQ(h.start_new("counter.application"), 0);
  h.get("application").call("quit");
  oleobject other;
  EXPECT_EQ(other.attach("counter.application"), kConnectNotRunning);
}

TEST_F(OleObjectTest, ConnectingAnewDropsThePreviousInstance) {
  oleobject h;
  ASSERT_EQ(h.start_new("counter.application"), 0);
  ASSERT_EQ(h.start_new("counter.application"), 0);
  EXPECT_EQ(counters_.started, 2);
  EXPECT_EQ(counters_.released, 1);
}

}  // namespace
}  // namespace vexlo::office
