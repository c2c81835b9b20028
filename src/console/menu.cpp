#include "menu.h"

#include <cassert>
#include <memory>
#include <string>

#include "graph.h"
#include "reader.h"
#include "travels.h"

namespace {

constexpr char kFarewell[] = "\n感谢使用曜衡川澜星汇织图云台，再见！";

// The longest file name a user may give, in bytes.
constexpr size_t kMaxFileName = 111;

enum Option {
  kExit = 0,
  kCreate = 1,
  kMatrix = 2,
  kInspectionRoute = 3,
  kLoopCheck = 4,
  kFastestRoute = 5,
  kRouteTable = 6,
  kCablingPlans = 7,
  kDeviceDetail = 8,
  kSave = 9,
  kLoad = 10,
};

// Everything one run of the program works on. The route graph and the
// Floyd matrices live as long as the loop and are lent to the options.
struct Session {
  Session() = default;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
  // However the loop ends, by an answer or by running out of memory, the
  // topology, the route graph and the latency matrix go with it.
  ~Session() {
    discardLatencyMatrix();
    releaseArcs(&working);
    releaseArcs(&routeGraph);
  }

  TopologyGraph working = {};
  TopologyGraph routeGraph = {};
  int pathMatrix[MAX_DEVICES][MAX_DEVICES] = {};
  int distMatrix[MAX_DEVICES][MAX_DEVICES] = {};
  bool graphReady = false;
};

// After a topology arrives, the matrix of the previous one must not be
// used: the analyses wait for option 2 again.
void markReady(Session* session) {
  if (session->working.deviceCount < 1) return;
  session->graphReady = true;
  discardLatencyMatrix();
}

// Reads the file name of options 9 and 10. False when the input ended or
// the name was refused (the refusal is printed).
bool readFileName(TokenReader& in, std::ostream& out, std::string* name) {
  if (!in.readWord(name, kMaxFileName)) return false;
  if (name->size() > kMaxFileName) {
    out << "✘ 文件名过长（最多" << kMaxFileName << "字节），未读写任何文件！\n";
    return false;
  }
  if (name->find('\0') != std::string::npos) {
    out << "✘ 文件名中含有空字符，未读写任何文件！\n";
    return false;
  }
  return true;
}

// Options 9 and 10: the file name, then the store's save or load.
void saveToFile(Session* session, TokenReader& in, std::ostream& out) {
  out << "请输入保存文件名（如：network_topology.txt）：";
  std::string fileName;
  if (readFileName(in, out, &fileName)) {
    saveGraphToFile(&session->working, fileName.c_str(), out);
  }
}

void loadFromFile(Session* session, TokenReader& in, std::ostream& out) {
  out << "请输入加载文件名（如：network_topology.txt）：";
  std::string fileName;
  if (readFileName(in, out, &fileName)) {
    loadGraphFromFile(&session->working, fileName.c_str(), out);
    markReady(session);
  }
}

void createBuiltIn(Session* session, std::ostream& out) {
  createGraph(&session->working, out);
  markReady(session);
}

void runOption(Session* session, int choice, TokenReader& in,
               std::ostream& out) {
  TopologyGraph& working = session->working;
  switch (choice) {
    case kCreate:
      createBuiltIn(session, out);
      break;
    case kMatrix:
      printGraph(&working, out);
      break;
    case kInspectionRoute:
      showInspectionRoute(working, out);
      break;
    case kLoopCheck:
      checkInspectionRoute(working, &session->routeGraph, out);
      break;
    case kFastestRoute:
      minDistance(working, session->pathMatrix, session->distMatrix, in, out);
      break;
    case kRouteTable:
      floydAllDistance(working, session->pathMatrix, session->distMatrix, out);
      break;
    case kCablingPlans:
      showCablingPlans(working, out);
      break;
    case kDeviceDetail:
      showDeviceInfo(working, in, out);
      break;
    case kSave:
      saveToFile(session, in, out);
      break;
    case kLoad:
      loadFromFile(session, in, out);
      break;
    default:
      break;
  }
}

}  // namespace

void showMenu(std::ostream& out) {
  out << "\n"
         "╔══════════════════════════════════════╗\n"
         "║      曜衡川澜星汇织图云台            ║\n"
         "╠══════════════════════════════════════╣\n"
         "║  1. 创建网络拓扑图                   ║\n"
         "║  2. 查看邻接矩阵(路由表)             ║\n"
         "║  3. 全网巡检路线(DFS遍历)            ║\n"
         "║  4. 路由环路检测(Kahn拓扑排序)       ║\n"
         "║  5. 两设备最优路径查询(Floyd)        ║\n"
         "║  6. 全网路由表(Floyd全源最短距离)    ║\n"
         "║  7. 光纤布线方案(Prim/Kruskal)       ║\n"
         "║  8. 设备详情查询                     ║\n"
         "║  9. 保存拓扑到文件                   ║\n"
         "║ 10. 从文件加载拓扑                   ║\n"
         "║  0. 退出系统                         ║\n"
         "╚══════════════════════════════════════╝\n"
         "请输入选项: ";
}

int runMenu(std::istream& input, std::ostream& out) {
  TokenReader in(input, &out);
  // The matrix belongs to one topology; none may be left from before.
  assert(parray == nullptr);
  // Large enough (two 40x40 matrices and two records) to keep off the
  // stack of a small thread.
  auto session = std::make_unique<Session>();

  // The end of the input, at the menu or at any prompt, ends the program
  // as option 0 does.
  while (!in.ended() && out.good()) {
    showMenu(out);
    int choice = 0;
    const TokenReader::Number read = in.readInt(&choice);
    if (read == TokenReader::Number::kEndOfInput) break;
    if (read == TokenReader::Number::kNotNumber) {
      out << "✘ 输入格式错误，请重新输入数字(0-10)！\n";
      in.discardLine();
      continue;
    }
    if (read == TokenReader::Number::kOutOfRange || choice < kExit ||
        choice > kLoad) {
      out << "✘ 无效选项，请输入0-10之间的数字！\n";
      continue;
    }
    if (choice == kExit) break;
    if (choice != kCreate && choice != kLoad && !session->graphReady) {
      out << "✘ 请先创建网络拓扑图（选项1）或从文件加载（选项10）！\n";
      continue;
    }
    runOption(session.get(), choice, in, out);
  }
  out << kFarewell << '\n';
  out.flush();
  return out.good() ? 0 : 1;
}
