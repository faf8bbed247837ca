-- A real editor against vxmod lsp: Neovim's own language client, headless.
-- It opens a script of the example pack, waits for its diagnostics, and asks
-- for a completion, a hover, a definition and a quick fix.
-- Run as: nvim --headless -u NONE -i NONE -c 'luafile Neovim.lua'
local vxmod = os.getenv('VXMOD')
local source = os.getenv('VEXA_SOURCE_DIR')

local function fail(message)
  io.stderr:write('Neovim test: ' .. message .. '\n')
  vim.cmd('cquit 1')
end

local function check(condition, message)
  if not condition then
    error(message, 2)
  end
end

local function run()
  local game = vim.fn.tempname()
  vim.fn.mkdir(game, 'p')
  vim.fn.system({ 'cp', '-R', source .. '/examples/AttribMods', game .. '/AttribMods' })
  local mistakes = game .. '/AttribMods/mistakes.vxmod'
  local models = game .. '/AttribMods/cars/new-models.vxmod'

  local diagnostics = {}
  local client_id = vim.lsp.start_client({
    name = 'vxmod',
    cmd = { vxmod, 'lsp' },
    root_dir = game,
    handlers = {
      ['textDocument/publishDiagnostics'] = function(_, result)
        diagnostics[vim.uri_to_fname(result.uri)] = result.diagnostics
      end,
    },
  })
  check(client_id ~= nil, 'the client did not start')
  vim.cmd('edit ' .. mistakes)
  local buffer = vim.api.nvim_get_current_buf()
  vim.lsp.buf_attach_client(buffer, client_id)
  local client = vim.lsp.get_client_by_id(client_id)

  check(vim.wait(20000, function() return diagnostics[mistakes] ~= nil end, 20),
        'no diagnostics for mistakes.vxmod')
  local truck
  for _, diagnostic in ipairs(diagnostics[mistakes]) do
    if diagnostic.message == "ModifyField.Act => Class 'truck' not found" then
      truck = diagnostic
    end
  end
  check(truck ~= nil, 'no diagnostic for the class truck')
  check(truck.severity == 1 and truck.range.start.line == 3 and truck.range.start.character == 13
        and truck.range['end'].character == 18, 'the truck diagnostic is not on the word truck')

  local uri = vim.uri_from_fname(mistakes)
  local function ask(method, params, file)
    params.textDocument = { uri = file and vim.uri_from_fname(file) or uri }
    local answer = client.request_sync(method, params, 10000, buffer)
    check(answer ~= nil and answer.err == nil, method .. ' failed: ' .. vim.inspect(answer))
    return answer.result
  end

  -- Line 7 (from 1): update_field car default Topspeed 300
  local completion = ask('textDocument/completion', { position = { line = 6, character = 27 } })
  local fields = {}
  for _, item in ipairs(completion.items or completion) do
    fields[item.label] = item.detail
  end
  check(fields.TopSpeed == 'KQ::Reflection::Float', 'no field TopSpeed among ' .. vim.inspect(fields))

  -- Line 8: update_field car default Price cheap; rival-tune.vxmod, which runs
  -- before it, set the price last.
  local hover = ask('textDocument/hover', { position = { line = 7, character = 27 } })
  check(hover and hover.contents.value:find('KQ::Reflection::UInt32', 1, true)
        and hover.contents.value:find('Before this script: `26000`', 1, true)
        and hover.contents.value:find("Held: 'default' holds it itself; a collection made "
                                      .. "from it (add_node) inherits it from 'default'", 1, true),
        'the hover says ' .. vim.inspect(hover))

  -- update_field car roadster TopSpeed 255: roadster is made three lines up.
  local definition = ask('textDocument/definition', { position = { line = 4, character = 20 } }, models)
  check(#definition == 1 and definition[1].range.start.line == 3, 'definition ' .. vim.inspect(definition))

  local actions = ask('textDocument/codeAction', {
    range = { start = { line = 6, character = 26 }, ['end'] = { line = 6, character = 26 } },
    context = { diagnostics = {} },
  })
  check(#actions >= 1, 'no quick fix for Topspeed')
  vim.lsp.util.apply_workspace_edit(actions[1].edit, 'utf-16')
  local fixed = vim.api.nvim_buf_get_lines(buffer, 6, 7, false)[1]
  check(fixed:find('^update_field car default TopSpeed') ~= nil, 'the quick fix made ' .. fixed)
  -- The fix reached the server as an edit, and the line no longer fails (it
  -- now sets what rival-tune.vxmod set before it: a warning says so).
  check(vim.wait(20000, function()
    local conflict = false
    for _, diagnostic in ipairs(diagnostics[mistakes]) do
      if diagnostic.range.start.line == 6 and diagnostic.severity == 1 then
        return false
      end
      conflict = conflict or diagnostic.message:find("'TopSpeed' is also set by", 1, true) ~= nil
    end
    return conflict
  end, 20), 'line 7 still fails after the fix')

  client.stop()
  vim.wait(5000, function() return client.is_stopped() end, 20)
  vim.fn.delete(game, 'rf')
end

local ok, message = pcall(run)
if ok then
  vim.cmd('qa!')
else
  fail(tostring(message))
end
