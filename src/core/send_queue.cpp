#include "send_queue.h"

#include <utility>

namespace nerivo {

bool SendQueue::front_free(bool take_back) {
    if (front_taken_ == 0 && port_.write_in_progress()) {
        if (!take_back) {
            return false;
        }
        front_taken_ += static_cast<std::size_t>(port_.cancel_write());
    }
    return front_taken_ == 0;
}

template <typename Drop> void SendQueue::remove(Drop drop, const std::string* why) {
    std::vector<NotSent> told;
    std::deque<Queued> kept;
    for (std::size_t i = 0; i < records_.size(); ++i) {
        Queued& queued = records_[i];
        if (drop(queued) && (i > 0 || front_free(why != nullptr))) {
            if (why != nullptr && queued.record.not_sent) {
                told.push_back(std::move(queued.record.not_sent));
            }
            continue;
        }
        kept.push_back(std::move(queued));
    }
    records_.swap(kept);
    for (const NotSent& not_sent : told) {
        not_sent(*why);
    }
}

void SendQueue::push(Record record, int64_t now_ms) {
    if (records_.empty()) {
        moved_ms_ = now_ms;
    }
    if (record.replaceable) {
        remove([](const Queued& queued) { return queued.record.replaceable; }, nullptr);
    }
    if (records_.size() >= MAX_RECORDS) {
        if (record.not_sent) {
            record.not_sent("its queue is full");
        }
        return;
    }
    records_.push_back(Queued{std::move(record), now_ms});
}

bool SendQueue::drain(int64_t now_ms) {
    while (!records_.empty()) {
        const std::vector<uint8_t>& bytes = records_.front().record.bytes;
        const int32_t taken = port_.send(bytes.data() + front_taken_,
                                         static_cast<int32_t>(bytes.size() - front_taken_));
        if (port_.last_error().kind != SerialError::NONE) {
            return false;
        }
        if (taken > 0) {
            moved_ms_ = now_ms;
        }
        front_taken_ += static_cast<std::size_t>(taken);
        if (front_taken_ < bytes.size()) {
            return true; // the device takes no more now
        }
        Record done = std::move(records_.front().record);
        records_.pop_front();
        front_taken_ = 0;
        if (done.sent) {
            done.sent();
        }
    }
    moved_ms_ = now_ms;
    return true;
}

void SendQueue::give_up_waiting(int64_t now_ms, const std::string& why) {
    remove(
        [now_ms](const Queued& queued) {
            return queued.record.not_sent && now_ms - queued.queued_ms >= GIVE_UP_MS;
        },
        &why);
}

void SendQueue::give_up_all(const std::string& why) {
    std::deque<Queued> dropped;
    dropped.swap(records_);
    front_taken_ = 0;
    for (Queued& queued : dropped) {
        if (queued.record.not_sent) {
            queued.record.not_sent(why);
        }
    }
}

} // namespace nerivo
