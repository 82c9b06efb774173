"""The page as an app: the itch zip, framed, offline, installable, updated; a recording saved and dropped."""
import json, os, re, shutil, zipfile
from .screen import check, wait
from .cases import title_shown, title_lit, press, in_play, REST

build = lambda site: re.search(r"Build = '(\w+)'", open(site + '/sw.js').read())[1]  # the worker's cache's name

def site_files(p):
    """No browser: the zip holds the site's files at its root, no more (at most 1,000); the manifest's
    icons exist at their sizes; the cache is named by the build's content (with or without Case.tga)."""
    site = (sites := p.sites) + '/site'
    names = zipfile.ZipFile(sites + '/sieverush-web.zip').namelist()
    check(sorted(names) == sorted(os.listdir(site)) and len(names) <= 1000, f'the zip holds {names}')
    for icon in json.load(open(site + '/manifest.webmanifest'))['icons']:
        png = open(f"{site}/{icon['src']}", 'rb').read()
        check(png[12:24] == b'IHDR' + 2 * int(icon['sizes'].split('x')[0]).to_bytes(4, 'big'), f'{icon} is no such PNG')
    check(build(site) != build(site + '-no-case'), 'two builds share a cache')

def framed(p):
    """The zip at a sub-path, framed without fullscreen: no Fullscreen button; a first click gives the
    game the keyboard (Space plays, Esc ends it)."""
    shutil.rmtree(folder := p.sites + '/itch', ignore_errors=True)
    zipfile.ZipFile(p.sites + '/sieverush-web.zip').extractall(folder + '/game')
    with open(folder + '/frame.html', 'w') as f:
        f.write('''<body style="margin:0"><iframe id="f" src="game/" allow="fullscreen 'none'" style="border:0;width:100vw;height:100vh">''')
    frame = "document.getElementById('f').contentWindow"
    title_shown(p, lambda: p.visit('itch/frame.html', frame + '.canvas'))
    check(p.js(f"return !{frame}.document.getElementById('fullscreen')"), 'a Fullscreen button in the frame')
    p.move(*REST)
    p.button(True)
    p.button(False)
    press(p, 'space', in_play, 'play after a click and Space in the frame')
    press(p, 'Escape', lambda s: p.js(f'return {frame}.ended') == 0, 'Esc ending the game in the frame')

def offline(p):
    """After one visit the page plays with the server gone and the HTTP cache passed by (every file
    from its worker); Chromium finds it installable. A new build (without Case.tga: it cannot start)
    shows at the second start, its cache the only one left."""
    app = (sites := p.sites) + '/app'
    shutil.rmtree(app, ignore_errors=True)
    shutil.copytree(sites + '/site', app)
    chromium, kept = p.name == 'chromium', lambda s: p.js('return !!navigator.serviceWorker.controller') and title_lit(s)
    p.visit('app/')
    wait(p, kept, 'the title, the page kept by its worker')
    check(not chromium or not p.browser.cdp('Page.getInstallabilityErrors', {})['installabilityErrors'], 'not installable')
    p.serve(False)
    cache = lambda on: (p.browser.cdp('Network.setCacheDisabled', {'cacheDisabled': not on}) if chromium else
                        p.browser.send('network.setCacheBehavior', cacheBehavior=['bypass', 'default'][on], contexts=[p.browser.context]))
    cache(False)
    try:
        p.visit('app/')
        wait(p, kept, 'the title offline')
        p.move(*REST)
        press(p, 'space', in_play, 'play offline')
    finally:
        cache(True)
        p.serve(True)
    shutil.copytree(sites + '/site-no-case', app, dirs_exist_ok=True)
    p.visit('app/')
    caches = f'return (await caches.keys()).filter((name) => name.includes("/app/")).map((name) => name.endsWith("{build(app)}"))'
    wait(p, lambda s: p.js(caches) == [True], 'the new build kept, the old cache gone')
    p.visit('app/')
    wait(p, lambda s: "Unable to load 'Case.tga'" in p.message(), 'the new build at the second start')

def drop(p, data, name):  # a file of these bytes dropped on the picture
    p.js(f"""const files = new DataTransfer();
             files.items.add(new File([new Uint8Array({json.dumps(list(data))})], {json.dumps(name)}));
             canvas.dispatchEvent(new DragEvent('drop', {{dataTransfer: files, bubbles: true, cancelable: true}}))""")

def watches(p):
    """Started with the sound kept off, the page says so. The last game saved is a recording; dropped
    from a newer game it is refused in words; as it is, watched with the watch's buttons (Back: the title),
    the page keeping no earlier drop's file."""
    check(p.shows('mute') == ['Sound: off', 'true', True], f"the sound kept off, the page shows {p.shows('mute')}")
    p.js("""window.saved = new Promise((done) => HTMLAnchorElement.prototype.click = function () {
              fetch(this.href).then((r) => r.arrayBuffer()).then((b) => done([this.download, [...new Uint8Array(b)]])); })""")
    p.click('#save')
    name, saved = p.js('return await saved')
    check(name == 'last.sieverush' and bytes(saved[:5]) == b'SRRP\x04', f'saved {name}: {bytes(saved[:8])}')
    watching = lambda: p.js("return getComputedStyle(document.querySelector('.watch')).display != 'none'")
    drop(p, saved[:4] + [255] + saved[5:], 'newer.sieverush')
    wait(p, lambda s: 'newer' in p.message() and title_lit(s) and not watching(), 'the newer recording refused in words')
    drop(p, saved, name)
    wait(p, lambda s: watching(), 'the dropped recording watched, with its buttons')
    kept = p.js("return FS.readdir('/.glfw_dropped_files')")
    check(set(kept) - {'.', '..'} == {name}, f'the page keeps the files dropped: {kept}')
    p.click('[data-key="256"]')
    wait(p, lambda s: not watching() and title_lit(s), 'the title after Back')
