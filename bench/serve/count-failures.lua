-- wrk script: counts answers that are not 2xx or 304 and prints them at the end.
-- With a file of postal codes after "--", asks for them in turn (from a random place per
-- thread) instead of the URL's path: every answer is then written, none comes from the cache.
failed = 0  -- per thread: wrk reads it with thread:get()
local threads = {}
local codes = {}
local next_code = 1

function setup(thread)
  table.insert(threads, thread)
end

function init(args)
  if args[1] then
    for line in io.lines(args[1]) do
      table.insert(codes, line)
    end
    math.randomseed(os.time() + tonumber(tostring({}):match("0x(%x+)"), 16))
    next_code = math.random(#codes)
  end
end

function request()
  if #codes == 0 then
    return wrk.format()
  end
  next_code = next_code % #codes + 1
  return wrk.format("GET", "/v1/codes/" .. codes[next_code])
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
