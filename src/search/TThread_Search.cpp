#include "TThread_Search.h"

TThread_Search* SearchThread = nullptr;

TThread_Search::TThread_Search() = default;

TThread_Search::~TThread_Search() { Shutdown(); }

void TThread_Search::Shutdown() {}
