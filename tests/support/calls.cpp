#include "support/calls.h"

#include "platform/sim/sim.h"

std::vector<std::string> CallNames() {
  std::vector<std::string> names;
  for (const sim::Call& call : sim::Calls()) names.push_back(call.text.substr(0, call.text.find('(')));
  return names;
}

int CountCalls(const std::string& name) {
  int count = 0;
  for (const std::string& called : CallNames()) count += called == name;
  return count;
}

std::vector<std::string> ArgumentsOf(const std::string& name) {
  std::vector<std::string> arguments;
  for (const sim::Call& call : sim::Calls())
    if (call.text.compare(0, name.size() + 1, name + "(") == 0)
      arguments.push_back(call.text.substr(name.size() + 1, call.text.size() - name.size() - 2));
  return arguments;
}

std::vector<std::string> Joined(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}
