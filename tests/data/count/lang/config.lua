-- expect: total=25 exec=12 comment=8 blank=5
local M = {}

--[[ A long comment:
  "quotes" and -- marks are text here.

]]
M.name = "config -- not a comment"
M.path = 'C:\\lua\\\'quoted\''

--[==[ A level-2 comment holding ]] inside
]==]
M.template = [[
A long string: -- and "quotes" are text.

]]
M.nested = [=[ a ]] inside ]=] -- trailing comment

-- a comment line
function M.get(key)
  local value = M[key] --[[ inline ]] or "none"
  return value
end

return M
