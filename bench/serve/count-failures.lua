-- wrk script: counts answers that are not 2xx or 304 and prints them at the end.
failed = 0  -- per thread: wrk reads it with thread:get()
local threads = {}

function setup(thread)
  table.insert(threads, thread)
end

function response(status, headers, body)
  if status >= 300 and status ~= 304 then
    failed = failed + 1
  end
end

function done(summary, latency, requests)
  local total = 0
  for _, thread in ipairs(threads) do
    total = total + thread:get("failed")
  end
  io.write(string.format("non-2xx answers: %d\n", total))
end
