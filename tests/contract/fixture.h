// The common frame of the contract cases: a fresh world, and every peer a
// case starts ended again at its end.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "contract/world.h"
#include "platform/platform.h"

namespace contract {

class ContractTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWorld();
    OwnEvents().clear();
  }
  void TearDown() override {
    for (auto& peer : peers_) TheWorld().End(peer);
  }

  Peer Start(const PeerSpec& shape) {
    Peer peer = TheWorld().Start(shape);
    // Every case needs its peer: one that did not start (a missing build, the
    // wrong width) fails here, not later in some unrelated expectation.
    EXPECT_NE(peer.processId, 0u) << "the peer did not start: " << TheWorld().PeerExePath(shape);
    if (peer.processId) peers_.push_back(peer);
    return peer;
  }
  Peer Start(std::initializer_list<PeerWindow> windows, unsigned hangAfterMs = 0) {
    return Start(PeerSpec{windows, hangAfterMs});
  }
  static World& world() { return TheWorld(); }

  // WM_GETTEXT through SendMessageTimeoutA into a buffer of size bytes.
  static std::string SentText(Hwnd window, std::size_t size, bool* ok = nullptr, std::intptr_t* count = nullptr) {
    std::vector<char> buffer(size + 1, '\x7f');
    std::intptr_t result = -5;
    bool sent = platform::SendMessageTimeoutA(window, platform::kWmGetText, size,
                                              reinterpret_cast<std::intptr_t>(buffer.data()),
                                              platform::kSmtoAbortIfHung, 1000, &result);
    if (ok) *ok = sent;
    if (count) *count = result;
    return sent && size > 0 ? std::string(buffer.data()) : std::string();
  }

 private:
  std::vector<Peer> peers_;
};

// Shorthands for the peer's windows.
inline PeerWindow TopLevel(const std::string& name, const std::string& title = "") {
  return {name, "ContractPeer", title, "", ""};
}
inline PeerWindow Child(const std::string& name, const std::string& parent,
                        const std::string& className = "ContractPeer", const std::string& title = "") {
  return {name, className, title, parent, ""};
}
inline PeerWindow Owned(const std::string& name, const std::string& owner, const std::string& title = "") {
  return {name, "ContractPeer", title, "", owner};
}
template <typename F>
PeerWindow With(PeerWindow w, F change) {
  change(w);
  return w;
}

}  // namespace contract
