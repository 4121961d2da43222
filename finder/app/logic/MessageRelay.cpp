#include "finder/app/logic/MessageRelay.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>

struct MessageRelay::State {
  std::mutex mutex;
  std::condition_variable answered;
  std::uint64_t asked = 0;
  std::uint64_t done = 0;
  bool closed = false;
};

namespace {

MessageIcon IconFor(MessageKind kind) {
  switch (kind) {
    case MessageKind::Information:
      return MessageIcon::Information;
    case MessageKind::Stop:
      return MessageIcon::Stop;
    case MessageKind::Plain:
      break;
  }
  return MessageIcon::None;
}

}  // namespace

MessageRelay::MessageRelay(NoticePoster& poster, DesktopServices& services)
    : poster_(poster), services_(services), state_(std::make_shared<State>()) {}

MessageRelay::~MessageRelay() { Close(); }

void MessageRelay::ShowMessage(const std::string& text, const std::string& caption, MessageKind kind) {
  std::unique_lock<std::mutex> lock(state_->mutex);
  if (state_->closed) return;
  const std::uint64_t ticket = ++state_->asked;
  lock.unlock();
  std::shared_ptr<State> state = state_;
  DesktopServices* services = &services_;
  poster_.PostCall([state, services, ticket, text, caption, kind] {
    {
      std::lock_guard<std::mutex> guard(state->mutex);
      if (state->closed) return;
    }
    services->MessageBox(text, caption, MessageButtons::Ok, IconFor(kind));
    {
      std::lock_guard<std::mutex> guard(state->mutex);
      if (state->done < ticket) state->done = ticket;
    }
    state->answered.notify_all();
  });
  lock.lock();
  state_->answered.wait(lock, [&] { return state_->closed || state_->done >= ticket; });
}

void MessageRelay::Close() {
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->closed = true;
  }
  state_->answered.notify_all();
}
