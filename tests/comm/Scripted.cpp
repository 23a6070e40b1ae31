#include "Scripted.h"

#include <algorithm>
#include <cstdio>

namespace plenum::comm::test {

namespace {
std::string KeyOf(const std::string& address, std::uint16_t port) { return address + ":" + std::to_string(port); }

bool IsIpv4(const std::string& text) {
    unsigned a, b, c, d;
    char tail;
    return std::sscanf(text.c_str(), "%u.%u.%u.%u%c", &a, &b, &c, &d, &tail) == 4 && a < 256 && b < 256 &&
           c < 256 && d < 256;
}
}  // namespace

std::string Hex(std::span<const std::uint8_t> bytes) {
    std::string text;
    char digits[4];
    for (std::uint8_t b : bytes) {
        std::snprintf(digits, sizeof digits, "%02X ", b);
        text += digits;
    }
    if (!text.empty()) text.pop_back();
    return text;
}

void ScriptedNetwork::listen(const std::string& address, std::uint16_t port, Responder responder) {
    listeners_[KeyOf(address, port)] = std::move(responder);
}

void ScriptedNetwork::unlisten(const std::string& address, std::uint16_t port) {
    const std::string key = KeyOf(address, port);
    listeners_.erase(key);
    for (auto& slot : slots_)
        if (slot && slot->key == key) slot.reset();
}

LinkResult ScriptedNetwork::TcpInit(int slots) {
    if (slots <= 0) return LinkResult::BadArgument;
    slots_.assign(static_cast<std::size_t>(slots), std::nullopt);
    return LinkResult::Ok;
}

LinkResult ScriptedNetwork::TcpConnect(int slot, const std::string& address, std::uint16_t port, Millis timeout) {
    if (!validSlot(slot) || !IsIpv4(address) || port == 0) return LinkResult::BadArgument;
    ++connectAttempts;
    connectTimeouts.push_back(timeout);
    slots_[static_cast<std::size_t>(slot)].reset();
    if (!connectScript.empty()) {
        const LinkResult scripted = connectScript.front();
        connectScript.pop_front();
        if (!IsOk(scripted)) return scripted;
    }
    const std::string key = KeyOf(address, port);
    if (!listeners_.contains(key)) return LinkResult::Refused;
    slots_[static_cast<std::size_t>(slot)] = Connection{key, {}};
    return LinkResult::Ok;
}

LinkResult ScriptedNetwork::TcpSend(int slot, std::span<const std::uint8_t> bytes) {
    if (!validSlot(slot)) return LinkResult::BadArgument;
    if (!sendScript.empty()) {
        const LinkResult scripted = sendScript.front();
        sendScript.pop_front();
        if (!IsOk(scripted)) return scripted;
    }
    auto& connection = slots_[static_cast<std::size_t>(slot)];
    if (!connection) return LinkResult::Closed;
    const Bytes request(bytes.begin(), bytes.end());
    sent.push_back(request);
    const Bytes answer = listeners_.at(connection->key)(request);
    connection->pending.insert(connection->pending.end(), answer.begin(), answer.end());
    return LinkResult::Ok;
}

LinkResult ScriptedNetwork::TcpRead(int slot, std::span<std::uint8_t> reply, Millis timeout) {
    std::fill(reply.begin(), reply.end(), std::uint8_t{0});
    readTimeouts.push_back(timeout);
    if (!validSlot(slot)) return LinkResult::BadArgument;
    auto& connection = slots_[static_cast<std::size_t>(slot)];
    if (!connection) return LinkResult::Closed;
    const std::size_t count = std::min(reply.size(), connection->pending.size());
    if (count == 0 && !reply.empty()) return LinkResult::TimedOut;
    std::copy_n(connection->pending.begin(), count, reply.begin());
    connection->pending.erase(connection->pending.begin(), connection->pending.begin() + static_cast<std::ptrdiff_t>(count));
    return LinkResult::Ok;
}

void ScriptedNetwork::TcpClose(int slot) {
    if (!validSlot(slot)) return;
    ++closes;
    slots_[static_cast<std::size_t>(slot)].reset();
}

bool ScriptedNetwork::TcpIsConnected(int slot) const {
    return validSlot(slot) && slots_[static_cast<std::size_t>(slot)].has_value();
}

std::vector<std::string> ScriptedNetwork::TcpScan(const std::vector<std::string>& addresses, std::uint16_t port,
                                                  Millis, const std::function<void(const std::string&)>& onResponse) {
    std::vector<std::string> found;
    for (const auto& address : addresses) {
        if (!IsIpv4(address) || !listeners_.contains(KeyOf(address, port))) continue;
        found.push_back(address);
        if (onResponse) onResponse(address);
    }
    return found;
}

void ScriptedSerial::attach(const std::string& portName, Responder responder) {
    ports_[portName] = std::move(responder);
}

LinkResult ScriptedSerial::Connect(const std::string& portName, int rate) {
    if (portName.empty() || rate <= 0) return LinkResult::BadArgument;
    connectAttempts.push_back(portName);
    Disconnect();
    if (!ports_.contains(portName)) return LinkResult::Refused;
    open_ = portName;
    baudRate = rate;
    return LinkResult::Ok;
}

LinkResult ScriptedSerial::WriteCommand(std::span<const std::uint8_t> bytes) {
    if (!open_) return LinkResult::Closed;
    const Bytes request(bytes.begin(), bytes.end());
    written.push_back(request);
    const Bytes answer = ports_.at(*open_)(request);
    pending_.insert(pending_.end(), answer.begin(), answer.end());
    return LinkResult::Ok;
}

LinkResult ScriptedSerial::ReadCommandResponse(std::span<std::uint8_t> reply, Millis) {
    std::fill(reply.begin(), reply.end(), std::uint8_t{0});
    if (!open_) return LinkResult::Closed;
    const std::size_t count = std::min(reply.size(), pending_.size());
    std::copy_n(pending_.begin(), count, reply.begin());
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(count));
    return count == reply.size() ? LinkResult::Ok : LinkResult::TimedOut;
}

void ScriptedSerial::Disconnect() {
    open_.reset();
    pending_.clear();
}

Bytes ScriptedDevice::reply(const Bytes& request) {
    if (request.size() == 1 && request[0] == kAcknowledgeByte) {
        ++acknowledges;
        return {};
    }
    requests.push_back(request);
    if (!replyScript.empty()) {
        Bytes scripted = replyScript.front();
        replyScript.pop_front();
        return scripted;
    }
    if (request.size() < 13 || request[0] != kFrameStart) return {};
    const std::uint8_t code = request[3];
    CommandParams params{};
    std::copy_n(request.begin() + 4, 8, params.begin());
    Bytes answer(ReplyLength(code, params, family), 0);
    answer.front() = kFrameStart;
    answer[1] = kFrameMarker;
    answer[2] = busId;
    answer[3] = code;
    if (code == ToByte(CommandCode::Identify)) answer[4] = kFrameMarker;
    if (code == ToByte(CommandCode::BlockRead)) {
        const std::size_t address = (std::size_t{params[0]} << 16) | (std::size_t{params[1]} << 8) | params[2];
        for (std::size_t i = 0; i + 5 < answer.size(); ++i)
            answer[4 + i] = address + i < memory.size() ? memory[address + i] : 0;
    }
    answer.back() = kFrameEnd;
    return answer;
}

}  // namespace plenum::comm::test
