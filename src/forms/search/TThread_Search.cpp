#include "forms/search/TThread_Search.h"

#include <QCoreApplication>

#include <cstring>

#include "forms/common/QtText.h"
#include "forms/common/RelayMessage.h"
#include "forms/search/SearchEvents.h"

using namespace tanzel;

TThread_Search* SearchThread = nullptr;

// Turns what the worker hands on into posted events: rows and the focus request to the
// window that started the search, notices to the relay.
class TThread_Search::Sink : public SearchWorkerSink {
 public:
  // Set by Start while the worker waits; read by the worker during the search.
  QObject* receiver = nullptr;
  quint64 generation = 0;

  void Row(int number, const ResultRow& row) override {
    auto* event = new SearchRowEvent(generation, number);
    for (int c = 0; c < 5; ++c) event->cells[c] = FromSjis(row.Cell(c));
    QCoreApplication::postEvent(receiver, event);
  }
  void Notice(SearchNotice notice) override {
    RelayCode code = RelayCodeOf(notice);
    PostRelayMessage(code.kind, code.index);
  }
  void FocusRequest() override { QCoreApplication::postEvent(receiver, new SearchFocusEvent(generation)); }
  void PassStarted(SearchPass pass, std::string_view keyword) override {
    // The address pass is posted once its answer is known.
    if (pass == SearchPass::Address) {
      address_ = FromSjis(keyword);
      return;
    }
    QCoreApplication::postEvent(receiver, new SearchPassEvent(generation, pass, FromSjis(keyword)));
  }
  void Answered(Certainty certainty, MatchKind kind) override {
    auto* event = new SearchPassEvent(generation, SearchPass::Address, address_);
    event->certainty = certainty;
    event->kind = kind;
    QCoreApplication::postEvent(receiver, event);
  }

 private:
  QString address_;
};

TThread_Search::TThread_Search(tanzel::DataSource data)
    : source_(std::move(data)), sink_(new Sink()), worker_(new SearchWorker(*sink_)) {
  // Make sure the event types exist before the worker's thread first asks for them.
  SearchRowEvent::EventType();
  SearchFocusEvent::EventType();
  SearchPassEvent::EventType();
}

TThread_Search::~TThread_Search() {
  Shutdown();
}

bool TThread_Search::Start(QObject* receiver, int searchMode, bool keywordMatchesNothing) {
  if (!worker_->IsWaiting()) return false;
  SearchParams params;
  params.mode = searchMode == 1 ? SearchMode::Town : SearchMode::Keyword;
  params.keyword.assign(Keyword, strnlen(Keyword, KeywordCapacity - 1));
  params.matchesNothing = keywordMatchesNothing;
  params.prefName = FilterPrefName;
  params.cityCode = FilterCityCode;
  sink_->receiver = receiver;
  sink_->generation = ++generation_;
  data_ = source_();
  return worker_->Start(params, data_);
}

void TThread_Search::Shutdown() {
  worker_->Shutdown();
  // A notice the worker posted just before it stopped is not shown any more.
  DropPostedRelayMessages();
}
