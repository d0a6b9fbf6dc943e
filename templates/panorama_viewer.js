/* Skylacer panorama viewer.
 *
 * Shows a cylindrical panorama inside every element of class "skylacer-panorama" on the page.
 * It draws with the 2D canvas drawImage only and fetches nothing, so it works from a page
 * opened from disk (file://). The element describes the panorama in data attributes:
 *   data-name           the picture's file name, or for slices the name they start with
 *   data-parts          (slices only) how many slices: NAME1.jpg ... NAMEn.jpg, left to right
 *   data-angle-degrees  or data-angle-radians: the horizontal field of view
 * The element's own width and height are the size of the view.
 *
 * Panorama coordinates: x from the left edge of the panorama in its pixels, y down from its top.
 * The view shows the panorama at `scale` screen pixels per panorama pixel; (viewX, viewY) is the
 * panorama point at the canvas's top left corner. A full circle (360 degrees) wraps around; a
 * partial one stops at its ends.
 */
(function () {
  "use strict";

  var MAX_ZOOM = 8;
  var TURN_SECONDS = 60;  // one full turn of auto-turn; a partial panorama moves as fast
  var STYLE =
    ".skylacer-panorama{position:relative;overflow:hidden;background:#000;margin:0 auto;" +
    "user-select:none;font:14px sans-serif}" +
    ".skylacer-panorama canvas{display:block;width:100%;height:100%;cursor:grab;outline:none;" +
    "touch-action:none}" +
    ".skylacer-panorama canvas.dragging{cursor:grabbing}" +
    ".skylacer-panorama .skylacer-bar{position:absolute;right:6px;bottom:6px;display:flex;gap:4px}" +
    ".skylacer-panorama button{min-width:28px;height:26px;border:0;border-radius:4px;" +
    "background:rgba(0,0,0,.55);color:#fff;font:inherit;cursor:pointer}" +
    ".skylacer-panorama button[aria-pressed=true]{background:rgba(40,110,200,.85)}" +
    ".skylacer-panorama .skylacer-note{position:absolute;inset:0;display:flex;" +
    "align-items:center;justify-content:center;color:#ddd;text-align:center;padding:1em}";

  function addStyle() {
    if (document.getElementById("skylacer-panorama-style")) return;
    var style = document.createElement("style");
    style.id = "skylacer-panorama-style";
    style.textContent = STYLE;
    document.head.appendChild(style);
  }

  function angleOf(box) {
    var degrees = parseFloat(box.getAttribute("data-angle-degrees"));
    if (isFinite(degrees)) return degrees;
    var radians = parseFloat(box.getAttribute("data-angle-radians"));
    return isFinite(radians) ? (radians * 180) / Math.PI : 360;
  }

  // The files of the panorama, left to right, as addresses relative to the page.
  function pictureNames(box) {
    var name = box.getAttribute("data-name") || "";
    var parts = parseInt(box.getAttribute("data-parts"), 10);
    if (!(parts > 0)) return [name];
    var names = [];
    for (var i = 1; i <= parts; i++) names.push(name + i + ".jpg");
    return names;
  }

  function loadPicture(name) {
    return new Promise(function (resolve, reject) {
      var image = new Image();
      image.onload = function () { resolve(image); };
      image.onerror = function () { reject(name); };
      image.src = encodeURIComponent(name);
    });
  }

  function makeButton(bar, label, title, action) {
    var button = document.createElement("button");
    button.type = "button";
    button.textContent = label;
    button.title = title;
    button.addEventListener("click", action);
    bar.appendChild(button);
    return button;
  }

  function Viewer(box, pictures, angle) {
    this.box = box;
    this.full = angle >= 359.5;
    this.strips = [];
    var x = 0;
    for (var i = 0; i < pictures.length; i++) {
      this.strips.push({ image: pictures[i], x: x, width: pictures[i].naturalWidth });
      x += pictures[i].naturalWidth;
    }
    this.panoWidth = x;
    this.panoHeight = pictures[0].naturalHeight;
    this.zoom = 1;
    this.turning = 0;  // auto-turn direction: 0 still, +1 to the right, -1 to the left
    this.lastFrame = 0;

    this.canvas = document.createElement("canvas");
    this.canvas.tabIndex = 0;
    this.canvas.setAttribute("aria-label", "Panorama: drag to look around, wheel to zoom");
    box.appendChild(this.canvas);
    this.context = this.canvas.getContext("2d");
    this.fitCanvas();
    this.viewX = (this.panoWidth - this.viewWidth()) / 2;
    this.viewY = 0;

    var bar = document.createElement("div");
    bar.className = "skylacer-bar";
    var self = this;
    makeButton(bar, "+", "Zoom in", function () { self.zoomBy(1.25); });
    makeButton(bar, "\u2212", "Zoom out", function () { self.zoomBy(0.8); });
    this.turnButton = makeButton(bar, "\u27f3", "Turn automatically", function () {
      self.setTurning(self.turning ? 0 : 1);
    });
    this.turnButton.setAttribute("aria-pressed", "false");
    box.appendChild(bar);

    this.listen();
    this.draw();
  }

  Viewer.prototype.fitCanvas = function () {
    var ratio = window.devicePixelRatio || 1;
    this.canvas.width = Math.max(1, Math.round(this.box.clientWidth * ratio));
    this.canvas.height = Math.max(1, Math.round(this.box.clientHeight * ratio));
  };

  // Screen pixels per panorama pixel: the panorama's height fills the view at zoom 1.
  Viewer.prototype.scale = function () {
    return (this.canvas.height / this.panoHeight) * this.zoom;
  };
  Viewer.prototype.viewWidth = function () { return this.canvas.width / this.scale(); };
  Viewer.prototype.viewHeight = function () { return this.canvas.height / this.scale(); };

  // Keeps the view on the panorama: wraps a full circle, stops a partial one at its ends and
  // centres a panorama narrower than the view.
  Viewer.prototype.limit = function () {
    var width = this.viewWidth();
    if (this.full) {
      this.viewX = ((this.viewX % this.panoWidth) + this.panoWidth) % this.panoWidth;
    } else if (width >= this.panoWidth) {
      this.viewX = (this.panoWidth - width) / 2;
    } else {
      var right = this.panoWidth - width;
      if (this.viewX <= 0 || this.viewX >= right) {
        this.viewX = Math.min(Math.max(this.viewX, 0), right);
        if (this.turning) this.turning = this.viewX <= 0 ? 1 : -1;
      }
    }
    this.viewY = Math.min(Math.max(this.viewY, 0), this.panoHeight - this.viewHeight());
  };

  Viewer.prototype.draw = function () {
    this.limit();
    var context = this.context;
    var scale = this.scale();
    var top = -this.viewY * scale;
    var height = this.panoHeight * scale;
    context.fillStyle = "#000";
    context.fillRect(0, 0, this.canvas.width, this.canvas.height);
    context.imageSmoothingQuality = "high";
    var viewRight = this.viewX + this.viewWidth();
    for (var i = 0; i < this.strips.length; i++) {
      var strip = this.strips[i];
      // The copies of the strip that fall into the view: one for a partial panorama, every
      // turn of the circle for a full one.
      var first = 0, last = 0;
      if (this.full) {
        first = Math.floor((this.viewX - strip.x - strip.width) / this.panoWidth) + 1;
        last = Math.floor((viewRight - strip.x) / this.panoWidth);
      }
      for (var turn = first; turn <= last; turn++) {
        var left = (strip.x + turn * this.panoWidth - this.viewX) * scale;
        var right = left + strip.width * scale;
        if (right <= 0 || left >= this.canvas.width) continue;
        var x = Math.floor(left);
        context.drawImage(strip.image, x, top, Math.ceil(right) - x, height);
      }
    }
  };

  Viewer.prototype.moveBy = function (dx, dy) {
    var scale = this.scale();
    this.viewX -= dx / scale;
    this.viewY -= dy / scale;
    this.draw();
  };

  // Zooms about the canvas point (cx, cy), in canvas pixels; the centre when not given.
  Viewer.prototype.zoomBy = function (factor, cx, cy) {
    if (cx === undefined) { cx = this.canvas.width / 2; cy = this.canvas.height / 2; }
    var before = this.scale();
    var pointX = this.viewX + cx / before, pointY = this.viewY + cy / before;
    this.zoom = Math.min(Math.max(this.zoom * factor, 1), MAX_ZOOM);
    var after = this.scale();
    this.viewX = pointX - cx / after;
    this.viewY = pointY - cy / after;
    this.draw();
  };

  Viewer.prototype.setTurning = function (direction) {
    this.turning = direction;
    this.turnButton.setAttribute("aria-pressed", direction ? "true" : "false");
    if (!direction) return;
    var self = this;
    this.lastFrame = 0;
    var step = function (time) {
      if (!self.turning) return;
      if (self.lastFrame) {
        var seconds = Math.min((time - self.lastFrame) / 1000, 0.1);
        self.viewX += (self.turning * self.panoWidth * seconds) / TURN_SECONDS;
        self.draw();
      }
      self.lastFrame = time;
      window.requestAnimationFrame(step);
    };
    window.requestAnimationFrame(step);
  };

  Viewer.prototype.listen = function () {
    var self = this, canvas = this.canvas, last = null;
    canvas.addEventListener("pointerdown", function (event) {
      last = { x: event.clientX, y: event.clientY };
      canvas.setPointerCapture(event.pointerId);
      canvas.classList.add("dragging");
      canvas.focus();
      self.setTurning(0);
    });
    canvas.addEventListener("pointermove", function (event) {
      if (!last) return;
      var ratio = window.devicePixelRatio || 1;
      self.moveBy((event.clientX - last.x) * ratio, (event.clientY - last.y) * ratio);
      last = { x: event.clientX, y: event.clientY };
    });
    var release = function () {
      last = null;
      canvas.classList.remove("dragging");
    };
    canvas.addEventListener("pointerup", release);
    canvas.addEventListener("pointercancel", release);
    canvas.addEventListener("wheel", function (event) {
      event.preventDefault();
      var bounds = canvas.getBoundingClientRect();
      var ratio = canvas.width / bounds.width;
      self.zoomBy(event.deltaY < 0 ? 1.15 : 1 / 1.15, (event.clientX - bounds.left) * ratio,
                  (event.clientY - bounds.top) * ratio);
    }, { passive: false });
    canvas.addEventListener("keydown", function (event) {
      var step = canvas.width / 20;
      var keys = {
        ArrowLeft: function () { self.moveBy(step, 0); },
        ArrowRight: function () { self.moveBy(-step, 0); },
        ArrowUp: function () { self.moveBy(0, step); },
        ArrowDown: function () { self.moveBy(0, -step); },
        "+": function () { self.zoomBy(1.25); },
        "-": function () { self.zoomBy(0.8); },
        a: function () { self.setTurning(self.turning ? 0 : 1); }
      };
      if (!keys[event.key]) return;
      event.preventDefault();
      keys[event.key]();
    });
    window.addEventListener("resize", function () {
      self.fitCanvas();
      self.draw();
    });
  };

  function showNote(box, text) {
    var note = document.createElement("div");
    note.className = "skylacer-note";
    note.textContent = text;
    box.appendChild(note);
  }

  // aria-busy is true until the panorama is drawn (or its failure shown).
  function start(box) {
    box.setAttribute("aria-busy", "true");
    var names = pictureNames(box);
    Promise.all(names.map(loadPicture)).then(function (pictures) {
      box.viewer = new Viewer(box, pictures, angleOf(box));
    }, function (name) {
      showNote(box, "The panorama picture " + name + " could not be loaded.");
    }).then(function () {
      box.setAttribute("aria-busy", "false");
    });
  }

  function startAll() {
    addStyle();
    var boxes = document.querySelectorAll(".skylacer-panorama");
    for (var i = 0; i < boxes.length; i++) start(boxes[i]);
  }

  if (document.readyState === "loading") document.addEventListener("DOMContentLoaded", startAll);
  else startAll();
})();
