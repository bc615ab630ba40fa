// The listing of the own client, read as it arrives: entries are handed out while the data
// connection is still open, so no listing is held whole (500,000 entries of 255 characters would
// be a quarter of a 32-bit process's memory). Links are held back until the data has ended and
// the control connection is free to ask about them.
#include <ctime>

#include "app/ftp/own/connection.h"
#include "winobj/scoped.h"

namespace {

// A listing closed before its end waits this long for the server's answer to the cut.
constexpr DWORD kCutWaitMs = 2000;
// The probes of a listing take at most kMostProbeMs at the full wait, a share as large of a
// shorter one, but never less than this (a quick server answers a probe in milliseconds).
constexpr DWORD kLeastProbeMs = 500;

}  // namespace

struct OwnConnection::Listing {
  Listing(const std::string& folderPath, const std::string& pattern, bool mlsd, int64_t now)
      : folder(folderPath), wildcard(pattern), parser(mlsd, now) {}
  std::string folder;
  std::string wildcard;
  ListingParser parser;
  std::unique_ptr<ListingPuller> puller;
  std::deque<ListedEntry> ready;
  std::vector<ListedEntry> links;
  bool dropServerParent = false;
  bool full = false;
  bool finished = false;
  // How it ended, once finished: ERROR_SUCCESS, ERROR_MORE_DATA when cut at a cap, or the
  // failure. It is told after every entry that came before it.
  DWORD error = ERROR_SUCCESS;
  size_t taken = 0;
  size_t lines = 0;
  size_t droppedLines = 0;  // too long to be a line of a listing
};

// Here, where a listing is a whole type.
OwnConnection::OwnConnection(const ProgressReporter& progress, DWORD waitMs)
    : progress_(progress), waitMs_(waitMs), control_(progress), data_(progress) {}
OwnConnection::~OwnConnection() = default;

DWORD OwnConnection::BeginListing(const std::string& folder, const std::string& wildcard,
                                  bool parentFirst) {
  EndListing();
  control_.DiscardStale();
  if (!IsOpen()) return ERROR_INTERNET_CONNECTION_ABORTED;
  const DWORD error = Run(conversation_.List(folder), nullptr);
  if (error != ERROR_IO_PENDING) {
    // A listing always has data: any other end is a failure.
    return error == ERROR_SUCCESS ? ERROR_INTERNET_CONNECTION_ABORTED : error;
  }
  // The parser is made once the conversation knows whether MLSD was taken; the clock is read once
  // for the dates written without a year.
  listing_ = std::make_unique<Listing>(folder, wildcard, conversation_.listingIsMlsd(),
                                       static_cast<int64_t>(std::time(nullptr)));
  listing_->puller = std::make_unique<ListingPuller>(data_.Stream(), progress_, waitMs_);
  if (parentFirst && MatchesPattern("..", wildcard)) {
    listing_->ready.push_back({"..", true, 0, 0});
    listing_->dropServerParent = true;
  }
  return ERROR_SUCCESS;
}

void OwnConnection::TakeListed(const ListingEntry& entry) {
  Listing& listing = *listing_;
  if (entry.name == "..") {
    if (!listing.dropServerParent && MatchesPattern("..", listing.wildcard)) {
      listing.ready.push_back({"..", true, 0, 0});
    }
    return;
  }
  if (listing.taken >= kMostListedEntries) {
    listing.full = true;
    return;
  }
  ++listing.taken;
  if (!MatchesPattern(entry.name, listing.wildcard)) return;
  ListedEntry listed{entry.name, entry.folder, entry.size, entry.modified, entry.link};
  listed.sizeKnown = entry.sizeKnown;
  if (entry.link) {
    listing.links.push_back(std::move(listed));
  } else {
    listing.ready.push_back(std::move(listed));
  }
}

void OwnConnection::AdvanceListing() {
  Listing& listing = *listing_;
  auto take = [this](const ListingEntry& entry) { TakeListed(entry); };
  bool end = false;
  DWORD error = listing.puller->Pull(
      [&](std::string_view line) {
        if (++listing.lines <= kMostListingLines) listing.parser.Line(line, take);
      },
      end);
  // A listing past its caps is not read on: the server may never stop. What came up to the cap
  // is handed out, and the end says that the listing was cut.
  const bool cut = listing.full || listing.lines > kMostListingLines;
  if (error == ERROR_SUCCESS && !end && !cut) return;
  if (end) listing.parser.End(take);
  error =
      EndListingData(error == ERROR_SUCCESS && !end ? ERROR_INTERNET_OPERATION_CANCELLED : error);
  if (error == ERROR_SUCCESS) ProbeLinks(listing.folder, listing.links);
  for (ListedEntry& link : listing.links) listing.ready.push_back(std::move(link));
  listing.links.clear();
  listing.finished = true;
  listing.error = cut ? ERROR_MORE_DATA : error;
}

DWORD OwnConnection::NextListed(ListedEntry& entry) {
  if (listing_ == nullptr) return ERROR_NO_MORE_FILES;
  while (listing_->ready.empty()) {
    if (listing_->finished) {
      return listing_->error == ERROR_SUCCESS ? ERROR_NO_MORE_FILES : listing_->error;
    }
    AdvanceListing();
  }
  entry = std::move(listing_->ready.front());
  listing_->ready.pop_front();
  return ERROR_SUCCESS;
}

DWORD OwnConnection::EndListingData(DWORD error) {
  const uint64_t bytes = listing_->puller->Bytes();
  listing_->droppedLines = listing_->puller->DroppedLines();
  listing_->puller.reset();
  data_.Close();
  // Cut short on our side: the server's answer to that is awaited briefly; a server that gives
  // none (one that would stream on) is not talked to again.
  AutoReset<Deadline> bounded(
      bound_, error == ERROR_INTERNET_OPERATION_CANCELLED ? Deadline::After(kCutWaitMs) : bound_);
  return Run(conversation_.OnDataMoved(error, bytes), nullptr);
}

size_t OwnConnection::UnreadListingLines() const {
  if (listing_ == nullptr) return 0;
  const size_t dropped =
      listing_->puller != nullptr ? listing_->puller->DroppedLines() : listing_->droppedLines;
  return listing_->parser.Unread() + dropped;
}

void OwnConnection::EndListing() {
  if (listing_ == nullptr) return;
  if (!listing_->finished) EndListingData(ERROR_INTERNET_OPERATION_CANCELLED);
  listing_.reset();
}

void OwnConnection::ProbeLinks(const std::string& folder, std::vector<ListedEntry>& entries) {
  // Probing moves the connection's folder: only a connection that knows its way back does it.
  if (conversation_.loginFolder().empty()) return;
  // One bound for all the probes, which no probe's wait goes past. A probe is begun only while
  // twice the slowest one so far fits in what is left: one cut in its middle leaves replies owed,
  // and that costs the connection (a server that slows down all at once pays it).
  const uint64_t scaled = uint64_t{kMostProbeMs} * waitMs_ / kOwnClientWaitMs;
  const DWORD totalMs = static_cast<DWORD>(scaled < kLeastProbeMs  ? kLeastProbeMs
                                           : scaled < kMostProbeMs ? scaled
                                                                   : kMostProbeMs);
  AutoReset<Deadline> bounded(bound_, Deadline::After(totalMs));
  DWORD slowest = 0;
  size_t probed = 0;
  for (ListedEntry& entry : entries) {
    if (!entry.link || entry.name == "..") continue;
    if (probed++ >= kMostProbedLinks || bound_.Remaining() <= 2 * slowest || !IsOpen()) return;
    const DWORD start = GetTickCount();
    if (Run(conversation_.ProbeLink(folder + entry.name), nullptr) != ERROR_SUCCESS) {
      return;
    }
    const DWORD spent = GetTickCount() - start;
    if (spent > slowest) slowest = spent;
    entry.folder = conversation_.probedFolder();
    entry.sizeKnown = entry.folder || conversation_.probedSizeKnown();
    entry.size = entry.folder || !entry.sizeKnown ? 0 : conversation_.probedSize();
  }
}
