-- The bad-argument sweep. Every C function the engine registered as a global
-- (Lua's own library functions excepted: their names are in
-- Data/libraryNames.lua, written by the test from a bare Lua state, as are
-- the level's images and sound) is called
-- with the same list of argument sets, one call per update step, so that the
-- sprites are updated and drawn between the calls. Each call runs under pcall.
--
-- Log lines written here (the test reads them):
--   sweep-start   <functions> <sets per function> <their names>
--   sweep-function <function>  (before its first call)
--   sweep-error   <function> <message, cut to 160 characters>   (once per distinct pair)
--   sweep-done    <functions> <sets per function> <calls made>
--   sweep-exit    <result of the exitProgram call>
--
-- The argument sets are built from each function's signature, which the set
-- without arguments reveals: its usage text lists the arguments as
-- <Type description>. Where a function takes no argument or raises no usage
-- text, the signature is empty and the bad values arrive as extra arguments.

local kTableSize = 64          -- sprite table the level keeps
local kPositions = 6           -- argument positions that get a bad value one at a time
local kValidName = "victim"    -- a sprite type, animation, path and sound group of the level
local kTextureName = "Data/sweep.tga"
local kDeadTextureName = "Data/sweep-dead.tga"
local kDocument = "Data/index.xml"

local nan = 0 / 0
local badValues = {
	{name = "string for number", value = "12"},
	{name = "table", value = {}},
	{name = "nil", isNil = true},
	{name = "boolean", value = true},
	{name = "function", value = function() return 1 end},
	{name = "negative", value = -1},
	{name = "-2^31-1", value = -2147483649},
	{name = "2^31", value = 2147483648},
	{name = "2^53", value = 9007199254740992},
	{name = "1e308", value = 1e308},
	{name = "-1e308", value = -1e308},
	{name = "NaN", value = nan},
	{name = "+inf", value = 1 / 0},
	{name = "-inf", value = -1 / 0},
	{name = "100,000 characters", value = string.rep("q", 100000)},
	{name = "dead sprite", dynamic = "deadSprite"},
	{name = "dead texture", dynamic = "deadTexture"},
}
local setsPerFunction = 3 + table.getn(badValues) * (1 + kPositions)

-- ---- The functions ----

local function isCFunction(f)
	-- Lua functions can be dumped; C functions cannot.
	return type(f) == "function" and not pcall(string.dump, f)
end

-- exitProgram ends the run: it is called once, after everything else.
local kCalledLast = "exitProgram"

local function collectFunctions()
	pcall(dofile, "Data/libraryNames.lua")
	if type(sweepLibraryNames) ~= "table" then
		print("sweep-failed\tno list of Lua's own function names")
		_G[kCalledLast]()
		return nil
	end
	local names = {}
	for name, value in pairs(_G) do
		if isCFunction(value) and not sweepLibraryNames[name] and name ~= kCalledLast then
			table.insert(names, name)
		end
	end
	table.sort(names)
	return names
end

-- ---- Argument sets ----

-- "usage: name(<Integer spriteRefNum>, <Double x>, ...)" -> {{kind=...}, ...}
-- Arguments after "[" or an <Optional ...> one are optional and left out.
local function parseSignature(message)
	local signature = {}
	if type(message) ~= "string" or string.sub(message, 1, 7) ~= "usage: " then return signature end
	local open = string.find(message, "(", 1, true)
	if not open then return signature end
	local text = string.sub(message, open + 1)
	local bracket = string.find(text, "[", 1, true)
	if bracket then text = string.sub(text, 1, bracket - 1) end
	local sprites = 0
	for kind, description in string.gmatch(text, "<(%a+)([^>,)]*)") do
		if kind == "Optional" then break end
		local entry
		if kind == "String" and (string.find(description, "environment") or string.find(description, "variable name")) then
			entry = "environment"
		elseif kind == "String" and string.find(description, "rect") then
			entry = "rect"
		elseif kind == "String" then
			entry = "string"
		elseif kind == "Boolean" then
			entry = "boolean"
		elseif string.find(description, "[Ss]prite") or string.find(description, "targetRefNum") then
			sprites = sprites + 1
			entry = sprites == 1 and "sprite" or "otherSprite"
		elseif string.find(description, "texture") or string.find(description, "alphabet") then
			entry = "texture"
		else
			entry = "number"
		end
		table.insert(signature, entry)
	end
	return signature
end

-- Strings that name something real take turns from set to set, so the bad
-- numbers reach every environment global and rectangles of every kind.
local environmentNames = {
	"kEnv_Gravity_X", "kEnv_Gravity_Y", "kEnv_Gravity_Z", "kEnv_Bgcolor_R", "kEnv_Bgcolor_G",
	"kEnv_Bgcolor_B", "kEnv_Bgcolor_A", "kEnv_WorldBounds_Left", "kEnv_WorldBounds_Right",
	"kEnv_WorldBounds_Bottom", "kEnv_WorldBounds_Top", "kEnv_WorldOrigin_X", "kEnv_WorldOrigin_Y",
	"kEnv_WorldOrigin_Velocity_X", "kEnv_WorldOrigin_Velocity_Y", "kEnv_CameraSpriteFocus",
}
local rectangles = {"2, 2, 4, 4", "-5, 3, 99999999999, -99999999999", "0, 0, 0, 0", "1,1,-4,-4"}

local function validValue(kind, set)
	if kind == "environment" then return environmentNames[math.mod(set, table.getn(environmentNames)) + 1] end
	if kind == "rect" then return rectangles[math.mod(set, table.getn(rectangles)) + 1] end
	if kind == "sprite" then return sweep.victimA end
	if kind == "otherSprite" then return sweep.victimB end
	if kind == "texture" then return sweep.texture end
	if kind == "string" then return kValidName end
	if kind == "boolean" then return true end
	return 1
end

local function badValue(bad)
	if bad.dynamic then return sweep[bad.dynamic] end
	return bad.value
end

-- Arguments of set `set` (1-based) for a signature, as {n = count, ...}.
--   1 none; 2 valid; 3 valid and three extra arguments;
--   then per bad value: every argument bad, then the bad value in position
--   1..kPositions with the others valid (past the signature's end: valid
--   arguments followed by as many bad ones as it takes to reach that position).
local function makeArguments(signature, set)
	local count = table.getn(signature)
	local args = {n = 0}
	local function push(value)
		args.n = args.n + 1
		args[args.n] = value
	end
	if set == 1 then return args end
	if set <= 3 then
		for i = 1, count do push(validValue(signature[i], set)) end
		if set == 3 then push(1); push("extra"); push(true) end
		return args
	end
	local index = set - 4
	local bad = badValues[math.floor(index / (1 + kPositions)) + 1]
	local position = math.mod(index, 1 + kPositions)
	local value = badValue(bad)
	if position == 0 then
		for i = 1, math.max(count, 1) do push(value) end
	else
		for i = 1, math.max(count, position) do
			if i == position or i > count then push(value) else push(validValue(signature[i], set)) end
		end
	end
	return args
end

-- ---- The level's sprites ----

local function spriteIs(ref, kind)
	return ref ~= nil and getSpriteType(ref) == kind
end

-- The victims, then the driver, take the lowest free references (0, 1, 2);
-- a new driver only arms itself on its first update, so no step makes two calls.
local function ensureSprites()
	if not spriteIs(sweep.victimA, "victim") then
		sweep.victimA = addSprite("victim", 1)
		setSpriteTexture(sweep.victimA, sweep.texture)
		setSpriteAnimation(sweep.victimA, kValidName)
		placeSprite(sweep.victimA, 200, 200, 0)
	end
	if not spriteIs(sweep.victimB, "victim") then
		sweep.victimB = addSprite("victim", 2)
		setSpriteAlphabet(sweep.victimB, sweep.texture)
		setSpriteDescription(sweep.victimB, "AB")
		placeSprite(sweep.victimB, 300, 300, 0)
		setSpriteVelocity(sweep.victimB, 1, 0, 0)
	end
	if not spriteIs(sweep.driver, "sweeper") then
		sweep.driver = addSprite("sweeper", 0)
		-- Off-screen sprites skip their updates; the camera may be anywhere.
		setSpriteAlwaysUpdate(sweep.driver, true)
		sweep.armed = false
	end
end

-- Sprites a swept call made are removed again, so the population stays as it
-- was and the dead reference at the top of the table stays dead.
local function removeOtherSprites()
	for ref = 0, kTableSize - 1 do
		if ref ~= sweep.victimA and ref ~= sweep.victimB and ref ~= sweep.driver and getSpriteType(ref) then
			removeSprite(ref)
		end
	end
end

-- Loads the level's texture afresh (a swept call may have unloaded or deleted
-- it); the harness owns it, not the running sprite.
local function reloadTexture()
	local running = gCurrentSprite
	gCurrentSprite = -1
	if sweep.texture then unloadTexture(sweep.texture) end
	sweep.texture = loadTexture(kTextureName)
	gCurrentSprite = running
end

-- The level's state after a swept call: what the harness needs to go on.
local function repair(name)
	-- A single updated layer would freeze the driver's, and so would the editor.
	setOnlyUpdateObjectManagerLayer(-1)
	deactivateSpriteEditor()
	-- The last load request wins: a swept loadXMLFile reloads this level, whose
	-- script resumes the sweep (any other name would leave no level behind).
	if name == "loadXMLFile" then sweep.loadXMLFile(kDocument) end
	initSpriteManager(kTableSize)
	reloadTexture()
	ensureSprites()
	removeOtherSprites()
end

-- ---- Set-up (every load of the level) ----

function sweep_setUpLevel()
	if sweep == nil then
		local names = collectFunctions()
		if not names then return end
		sweep = {names = names, next = 0, calls = 0, signatures = {}, reported = {}, finished = false}
		-- The harness's own loads go through the function as registered.
		sweep.loadXMLFile = loadXMLFile
		print("sweep-start\t" .. table.getn(names) .. "\t" .. setsPerFunction .. "\t" .. table.concat(names, " "))
	end
	sweep.victimA, sweep.victimB, sweep.driver = nil, nil, nil
	-- A sound group of the valid name, so the sound functions play it.
	soundManager_loadIndexFile("Data/Sounds/index.txt")
	sweep.environment = nil  -- taken at the first step, once the load has set the world bounds
	initSpriteManager(kTableSize)
	reloadTexture()
	-- A texture reference with no references left.
	sweep.deadTexture = loadTexture(kDeadTextureName)
	unloadTexture(sweep.deadTexture)
	-- Fill the table, keep the first three, free the rest: the last reference
	-- named a sprite and is never reused while the population stays small.
	ensureSprites()
	local ref = addSprite("victim", 3)
	while ref >= 0 and ref < kTableSize - 1 do ref = addSprite("victim", 3) end
	sweep.deadSprite = ref
	removeOtherSprites()
end

-- ---- One call per update step ----

local function report(name, message)
	local text
	if type(message) == "string" then
		text = string.sub(message, 1, 160)
	else
		text = "<" .. type(message) .. " raised>"
	end
	local key = name .. "\t" .. text
	if not sweep.reported[key] then
		sweep.reported[key] = true
		print("sweep-error\t" .. key)
	end
end

local function finish()
	sweep.finished = true
	print("sweep-done\t" .. table.getn(sweep.names) .. "\t" .. setsPerFunction .. "\t" .. sweep.calls)
	-- Last: the run ends after this update step. Its arguments are the first
	-- bad value, which it must ignore or answer with its usage text.
	local ok, message = pcall(_G[kCalledLast], badValue(badValues[1]))
	print("sweep-exit\t" .. (ok and "ok" or tostring(message)))
end

function sweep_step()
	if sweep == nil or sweep.finished or sweep.busy then return end
	if gCurrentSprite ~= sweep.driver then return end
	if not sweep.armed then
		sweep.armed = true
		return
	end
	local total = table.getn(sweep.names) * setsPerFunction
	if sweep.next >= total then
		finish()
		return
	end
	local index = math.floor(sweep.next / setsPerFunction) + 1
	local set = math.mod(sweep.next, setsPerFunction) + 1
	local name = sweep.names[index]
	if set == 1 and not sweep.freshVictims then
		-- Each function gets victims of its own: what the one before did to
		-- them (a text of 100,000 characters, a trail of copies) would only
		-- slow every later frame down. They go in this update step.
		removeSprite(sweep.victimA)
		removeSprite(sweep.victimB)
		sweep.victimA, sweep.victimB = nil, nil
		sweep.freshVictims = true
		return
	end
	sweep.freshVictims = false
	-- The step length the last call set has been in force for one pass of the
	-- run loop; the sweep goes on at 5 ms (1 ms would run four updates a step).
	setMSPerFrame(5)
	-- So are the environment globals.
	if not sweep.environment then
		sweep.environment = {}
		for i, name in ipairs(environmentNames) do sweep.environment[name] = getEnvironmentGlobal(name) end
	end
	for name, value in pairs(sweep.environment) do setEnvironmentGlobal(name, value) end
	ensureSprites()
	sweep.next = sweep.next + 1

	-- Names the function being swept, so a run that hangs or dies says where.
	if set == 1 then print("sweep-function\t" .. name) end
	local signature = sweep.signatures[name] or {}
	local args = makeArguments(signature, set)
	-- A call may run scripts (forceRender runs update steps): none may sweep.
	sweep.busy = true
	local ok, message = pcall(_G[name], unpack(args, 1, args.n))
	sweep.busy = false
	sweep.calls = sweep.calls + 1
	if set == 1 then sweep.signatures[name] = parseSignature(message) end
	if not ok then report(name, message) end
	repair(name)
end
