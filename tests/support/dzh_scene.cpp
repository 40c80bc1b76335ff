#include "support/dzh_scene.h"

#include "platform/sim/sim.h"
#include "support/code_table.h"

DzhScene AddDzhWindows(const std::string& exe, const std::string& frameTitle, int mdiPosition,
                       const std::vector<std::string>& documents) {
  DzhScene dzh;
  dzh.process = sim::AddProcess(exe);
  dzh.frame = sim::CreateWindow({"DzhFrame", frameTitle, dzh.process});
  for (int i = 1; i < mdiPosition; ++i)
    sim::CreateWindow({i % 2 ? "ToolbarWindow32" : "Static", "", dzh.process, 0, dzh.frame});
  dzh.mdiClient = sim::CreateWindow({"MDIClient", "", dzh.process, 0, dzh.frame});
  for (const std::string& title : documents)
    dzh.documents.push_back(sim::CreateWindow({"DzhChart", title, dzh.process, 0, dzh.mdiClient}));
  return dzh;
}

DzhScene StartDzh(const std::string& exe, const std::string& frameTitle, int mdiPosition,
                  const std::vector<std::string>& documents) {
  const std::string folder = exe.substr(0, exe.rfind('\\'));
  sim::WriteFile(folder + "\\data\\sh\\STKINFO60.DAT", code_table::Table(code_table::ShanghaiSecurities()));
  sim::WriteFile(folder + "\\data\\sz\\STKINFO60.DAT", code_table::Table(code_table::ShenzhenSecurities()));
  DzhScene scene = AddDzhWindows(exe, frameTitle, mdiPosition, documents);
  sim::Make32Bit(scene.process);
  return scene;
}

std::string TdxChartTitle(const std::string& name) { return "通达信金融终端V7.642 - [分析图表-" + name + "]"; }

TdxScene StartTdx(const std::string& exe, const std::string& name) {
  const std::string cache = exe.substr(0, exe.rfind('\\')) + "\\T0002\\hq_cache\\";
  sim::WriteFile(cache + "shm.tnf", code_table::TnfTable(code_table::ShanghaiSecurities()));
  sim::WriteFile(cache + "szm.tnf", code_table::TnfTable(code_table::ShenzhenSecurities()));
  const std::uint32_t process = sim::AddProcess(exe);
  return {process, sim::CreateWindow({"TdxW_MainFrame_Class", TdxChartTitle(name), process})};
}
