// SPDX-License-Identifier: MIT
// A GSM modem on a pseudo-terminal: the program opens `device()` as it would
// a USB modem, and a thread answers on the other side with the AT dialogue.
// POSIX only.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace dtu::testing {

class FakeModem {
 public:
  struct Sms {
    std::string number;  // text mode: the number; PDU mode: "<length>"
    std::string body;    // the text, or the PDU's hex
    bool operator==(const Sms&) const = default;
  };
  std::string pinState = "READY";
  std::set<std::string> failing;  // answered with +CMS ERROR: <errorCode>
  int errorCode = 500;
  std::set<std::string> noPrompt;  // waits for their text without giving the "> " prompt
  // Sent before the network's answer to a message: a modem flooding its line.
  std::string floodUnit;
  std::size_t floodBytes = 0;
  bool silent = false;
  std::set<std::string> referenceThenError;  // +CMGS: n, then ERROR: the network took it
  std::atomic<bool> hold{false};             // the network's answer to a message waits while set
  std::atomic<std::size_t> unplugAtText{0};  // the line goes dead once this many texts are in (0: never)
  // What AT+CMGL=4 lists in PDU mode, by index: PDU hex with its service-centre part.
  std::map<int, std::string> storedPdus;
  bool refuseCnmi = false;

  FakeModem() : master_(::posix_openpt(O_RDWR | O_NOCTTY)) {
    if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0) device_ = ::ptsname(master_);
    thread_ = std::jthread([this](std::stop_token stop) { run(stop); });
  }
  ~FakeModem() {
    thread_.request_stop();
    thread_.join();
    if (master_ >= 0) ::close(master_);
  }
  const std::string& device() const { return device_; }
  std::vector<Sms> sent() const {
    std::lock_guard lock(mutex_);
    return sent_;
  }
  std::vector<std::string> commands() const {
    std::lock_guard lock(mutex_);
    return commands_;
  }
  std::map<int, std::string> storedNow() const {
    std::lock_guard lock(mutex_);
    return storedPdus;
  }
  // As an earlier run left it, stopped after the prompt: all it reads is the
  // message text, until Ctrl-Z sends it or ESC drops it.
  void leaveWaitingForText() {
    std::lock_guard lock(mutex_);
    pending_ = "(an earlier run)";
  }
  bool waitingForText() const {
    std::lock_guard lock(mutex_);
    return !pending_.empty();
  }

 private:
  // All of it, unless the test ends first: a reader that stopped reading
  // must not hold the thread.
  void answer(const std::string& text) {
    for (std::size_t done = 0; done < text.size() && !stop_.stop_requested();) {
      pollfd p{master_, POLLOUT, 0};
      if (::poll(&p, 1, 20) <= 0) continue;
      const ssize_t n = ::write(master_, text.data() + done, text.size() - done);
      if (n < 0) return;
      done += static_cast<std::size_t>(n);
    }
  }

  void handle(const std::string& command) {
    commands_.push_back(command);
    if (silent) return;
    if (command.rfind("AT+CMGS=", 0) == 0) {
      std::string number = command.substr(8);
      if (number.size() > 1 && number.front() == '"') number = number.substr(1, number.size() - 2);
      pending_ = number;
      if (!noPrompt.count(number)) answer("\r\n> ");
    } else if (command == "AT+CPIN?") {
      answer("\r\n+CPIN: " + pinState + "\r\n\r\nOK\r\n");
    } else if (command == "AT+CMGL=4" && pduMode_) {
      std::string list;
      for (const auto& [index, pdu] : storedPdus) {
        const std::size_t tpdu = pdu.size() / 2 - 1 - std::stoul(pdu.substr(0, 2), nullptr, 16);
        list += "\r\n+CMGL: " + std::to_string(index) + ",1,," + std::to_string(tpdu) + "\r\n" + pdu;
      }
      answer(list + "\r\n\r\nOK\r\n");
    } else if (command.rfind("AT+CMGD=", 0) == 0) {
      answer(storedPdus.erase(std::stoi(command.substr(8))) ? "\r\nOK\r\n" : "\r\n+CMS ERROR: 321\r\n");
    } else if (command.rfind("AT+CMGF=", 0) == 0) {
      pduMode_ = command == "AT+CMGF=0";
      answer("\r\nOK\r\n");
    } else if (command.rfind("AT+CNMI=", 0) == 0) {
      answer(refuseCnmi ? "\r\nERROR\r\n" : "\r\nOK\r\n");
    } else if (command == "AT" || command.rfind("AT+CSCS=", 0) == 0 || command.rfind("AT+CSMP=", 0) == 0) {
      answer("\r\nOK\r\n");
    } else {
      answer("\r\nERROR\r\n");
    }
  }

  void run(const std::stop_token& stop) {
    stop_ = stop;
    std::string buffer;
    while (!stop.stop_requested()) {
      pollfd p{master_, POLLIN, 0};
      char chunk[512];
      if (::poll(&p, 1, 20) > 0 && (p.revents & POLLIN)) {
        const ssize_t n = ::read(master_, chunk, sizeof chunk);
        if (n > 0) buffer.append(chunk, static_cast<size_t>(n));
      }
      std::lock_guard lock(mutex_);
      for (std::size_t end; !buffer.empty();) {
        if (buffer[0] == '\x1B') {  // the program gave up on a message
          pending_.clear();
          buffer.erase(0, 1);
          continue;
        }
        if (!pending_.empty()) {
          if ((end = buffer.find('\x1A')) == std::string::npos || hold) break;
          sent_.push_back({pending_, buffer.substr(0, end)});
          if (sent_.size() == unplugAtText) {
            ::close(master_);
            master_ = -1;
            return;
          }
          const bool fail = failing.count(pending_) > 0;
          std::string flood;
          while (flood.size() < floodBytes) flood += floodUnit;
          const std::string reference = "\r\n+CMGS: " + std::to_string(sent_.size()) + "\r\n";
          answer(flood + (fail                                 ? "\r\n+CMS ERROR: " + std::to_string(errorCode) + "\r\n"
                          : referenceThenError.count(pending_) ? reference + "\r\nERROR\r\n"
                                                               : reference + "\r\nOK\r\n"));
          pending_.clear();
        } else {
          if ((end = buffer.find('\r')) == std::string::npos) break;
          if (const std::string line = buffer.substr(0, end); !line.empty()) handle(line);
        }
        buffer.erase(0, end + 1);
      }
    }
  }

  int master_;
  std::string device_;
  std::string pending_;  // the number whose text is awaited
  bool pduMode_ = false;
  mutable std::mutex mutex_;
  std::vector<Sms> sent_;
  std::vector<std::string> commands_;
  std::stop_token stop_;
  std::jthread thread_;  // last: stopped before the members it uses go
};

}  // namespace dtu::testing
