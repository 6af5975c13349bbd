-- Ketterly's bundled sample database: a small online shop.
-- The build runs this script through sqlite3 to produce shop.db, which ships with the app.

PRAGMA foreign_keys = ON;

BEGIN;

-- ---------------------------------------------------------------------------
-- Staff
-- ---------------------------------------------------------------------------

CREATE TABLE roles (
    role_id     INTEGER PRIMARY KEY,
    name        VARCHAR(80) NOT NULL UNIQUE,
    description TEXT,
    can_refund  BOOLEAN NOT NULL DEFAULT 0
);

CREATE TABLE employees (
    employee_id INTEGER PRIMARY KEY,
    first_name  VARCHAR(80) NOT NULL,
    last_name   VARCHAR(80) NOT NULL,
    email       TEXT NOT NULL UNIQUE,
    hire_date   DATE NOT NULL,
    salary      NUMERIC(10,2) NOT NULL DEFAULT 0,
    manager_id  INTEGER REFERENCES employees(employee_id) ON DELETE SET NULL,
    is_active   BOOLEAN NOT NULL DEFAULT 1
);

CREATE TABLE employee_roles (
    employee_id INTEGER NOT NULL REFERENCES employees(employee_id) ON DELETE CASCADE,
    role_id     INTEGER NOT NULL REFERENCES roles(role_id) ON DELETE CASCADE,
    granted_at  DATETIME NOT NULL DEFAULT CURRENT_TIMESTAMP,
    PRIMARY KEY (employee_id, role_id)
);

-- ---------------------------------------------------------------------------
-- Catalogue
-- ---------------------------------------------------------------------------

CREATE TABLE categories (
    category_id INTEGER PRIMARY KEY,
    name        VARCHAR(80) NOT NULL,
    slug        TEXT NOT NULL UNIQUE,
    parent_id   INTEGER REFERENCES categories(category_id) ON DELETE SET NULL,
    sort_order  INTEGER NOT NULL DEFAULT 0
);

CREATE TABLE suppliers (
    supplier_id   INTEGER PRIMARY KEY,
    name          VARCHAR(80) NOT NULL,
    contact_email TEXT,
    phone         TEXT,
    country       VARCHAR(80) NOT NULL DEFAULT 'Germany',
    rating        REAL
);

CREATE TABLE products (
    product_id  INTEGER PRIMARY KEY,
    sku         VARCHAR(80) NOT NULL,
    name        VARCHAR(80) NOT NULL,
    description TEXT,
    category_id INTEGER NOT NULL REFERENCES categories(category_id),
    price       NUMERIC(10,2) NOT NULL,
    weight_kg   REAL,
    thumbnail   BLOB,
    is_active   BOOLEAN NOT NULL DEFAULT 1,
    created_at  DATETIME NOT NULL DEFAULT CURRENT_TIMESTAMP
);

CREATE TABLE product_suppliers (
    product_id     INTEGER NOT NULL REFERENCES products(product_id) ON DELETE CASCADE,
    supplier_id    INTEGER NOT NULL REFERENCES suppliers(supplier_id) ON DELETE CASCADE,
    supplier_sku   TEXT,
    unit_cost      NUMERIC(10,2) NOT NULL,
    lead_time_days INTEGER NOT NULL DEFAULT 7,
    is_preferred   BOOLEAN NOT NULL DEFAULT 0,
    PRIMARY KEY (product_id, supplier_id)
);

-- Stock changes. Restocks point at the (product, supplier) pair they came
-- from; sales, returns and corrections leave supplier_id empty.
CREATE TABLE inventory_movements (
    movement_id INTEGER PRIMARY KEY,
    product_id  INTEGER NOT NULL REFERENCES products(product_id),
    supplier_id INTEGER,
    kind        TEXT NOT NULL DEFAULT 'restock'
                CHECK (kind IN ('restock', 'sale', 'return', 'correction')),
    quantity    INTEGER NOT NULL,
    recorded_by INTEGER REFERENCES employees(employee_id) ON DELETE SET NULL,
    moved_at    DATETIME NOT NULL DEFAULT CURRENT_TIMESTAMP,
    note        TEXT,
    FOREIGN KEY (product_id, supplier_id)
        REFERENCES product_suppliers(product_id, supplier_id)
);

-- ---------------------------------------------------------------------------
-- Customers and sales
-- ---------------------------------------------------------------------------

CREATE TABLE customers (
    customer_id      INTEGER PRIMARY KEY,
    first_name       VARCHAR(80) NOT NULL,
    last_name        VARCHAR(80) NOT NULL,
    email            TEXT NOT NULL,
    phone            TEXT,
    birth_date       DATE,
    marketing_opt_in BOOLEAN NOT NULL DEFAULT 0,
    created_at       DATETIME NOT NULL DEFAULT CURRENT_TIMESTAMP
);

CREATE TABLE addresses (
    address_id  INTEGER PRIMARY KEY,
    customer_id INTEGER NOT NULL REFERENCES customers(customer_id) ON DELETE CASCADE,
    kind        TEXT NOT NULL DEFAULT 'shipping',
    street      TEXT NOT NULL,
    city        VARCHAR(80) NOT NULL,
    postal_code VARCHAR(80) NOT NULL,
    country     VARCHAR(80) NOT NULL DEFAULT 'Germany',
    is_default  BOOLEAN NOT NULL DEFAULT 0
);

CREATE TABLE coupons (
    coupon_id        INTEGER PRIMARY KEY,
    code             VARCHAR(80) NOT NULL,
    discount_percent REAL NOT NULL DEFAULT 10.0,
    valid_from       DATE NOT NULL,
    valid_until      DATE,
    max_uses         INTEGER
);

CREATE TABLE orders (
    order_id            INTEGER PRIMARY KEY,
    customer_id         INTEGER NOT NULL REFERENCES customers(customer_id),
    shipping_address_id INTEGER REFERENCES addresses(address_id) ON DELETE SET NULL,
    coupon_id           INTEGER REFERENCES coupons(coupon_id) ON DELETE SET NULL,
    handled_by          INTEGER REFERENCES employees(employee_id) ON DELETE SET NULL,
    status              TEXT NOT NULL DEFAULT 'pending',
    currency            VARCHAR(80) NOT NULL DEFAULT 'EUR',
    ordered_at          DATETIME NOT NULL DEFAULT CURRENT_TIMESTAMP,
    notes               TEXT
);

CREATE TABLE order_items (
    order_id   INTEGER NOT NULL REFERENCES orders(order_id) ON DELETE CASCADE,
    line_no    INTEGER NOT NULL,
    product_id INTEGER NOT NULL REFERENCES products(product_id),
    quantity   INTEGER NOT NULL DEFAULT 1,
    unit_price NUMERIC(10,2) NOT NULL,
    PRIMARY KEY (order_id, line_no)
);

CREATE TABLE payments (
    payment_id INTEGER PRIMARY KEY,
    order_id   INTEGER NOT NULL REFERENCES orders(order_id) ON DELETE CASCADE,
    method     TEXT NOT NULL DEFAULT 'card',
    amount     NUMERIC(10,2) NOT NULL,
    paid_at    DATETIME NOT NULL DEFAULT CURRENT_TIMESTAMP,
    reference  TEXT
);

CREATE TABLE shipments (
    shipment_id     INTEGER PRIMARY KEY,
    order_id        INTEGER NOT NULL REFERENCES orders(order_id) ON DELETE CASCADE,
    carrier         VARCHAR(80) NOT NULL,
    tracking_number TEXT,
    weight_kg       REAL,
    shipped_at      DATETIME,
    delivered_at    DATETIME
);

-- A review belongs to the order line it was written for; if that line is
-- deleted the review stays, detached.
CREATE TABLE reviews (
    review_id   INTEGER PRIMARY KEY,
    customer_id INTEGER NOT NULL REFERENCES customers(customer_id) ON DELETE CASCADE,
    product_id  INTEGER NOT NULL REFERENCES products(product_id) ON DELETE CASCADE,
    order_id    INTEGER,
    line_no     INTEGER,
    rating      INTEGER NOT NULL CHECK (rating BETWEEN 1 AND 5),
    title       VARCHAR(80),
    body        TEXT,
    created_at  DATETIME NOT NULL DEFAULT CURRENT_TIMESTAMP,
    FOREIGN KEY (order_id, line_no)
        REFERENCES order_items(order_id, line_no) ON DELETE SET NULL
);

-- Standalone lookup table: no foreign keys in or out.
CREATE TABLE tax_rates (
    tax_rate_id    INTEGER PRIMARY KEY,
    country        VARCHAR(80) NOT NULL,
    category       TEXT NOT NULL DEFAULT 'standard',
    rate           REAL NOT NULL,
    effective_from DATE NOT NULL,
    UNIQUE (country, category, effective_from)
);

-- ---------------------------------------------------------------------------
-- Indexes
-- ---------------------------------------------------------------------------

CREATE UNIQUE INDEX ux_customers_email ON customers(email);
CREATE UNIQUE INDEX ux_products_sku ON products(sku);
CREATE UNIQUE INDEX ux_coupons_code ON coupons(code);
CREATE INDEX ix_orders_customer ON orders(customer_id, ordered_at);
CREATE INDEX ix_order_items_product ON order_items(product_id);
CREATE INDEX ix_addresses_customer ON addresses(customer_id);
CREATE INDEX ix_inventory_product ON inventory_movements(product_id, moved_at);
CREATE INDEX ix_reviews_product ON reviews(product_id, rating);

-- ---------------------------------------------------------------------------
-- Views
-- ---------------------------------------------------------------------------

CREATE VIEW order_totals AS
SELECT o.order_id,
       o.customer_id,
       c.first_name || ' ' || c.last_name AS customer_name,
       o.status,
       o.ordered_at,
       COUNT(i.line_no) AS line_count,
       ROUND(SUM(i.quantity * i.unit_price), 2) AS subtotal,
       ROUND(SUM(i.quantity * i.unit_price)
             * (100 - COALESCE(cp.discount_percent, 0)) / 100, 2) AS total
FROM orders o
JOIN customers c ON c.customer_id = o.customer_id
LEFT JOIN order_items i ON i.order_id = o.order_id
LEFT JOIN coupons cp ON cp.coupon_id = o.coupon_id
GROUP BY o.order_id;

-- ---------------------------------------------------------------------------
-- Data: small reference tables, written out by hand
-- ---------------------------------------------------------------------------

INSERT INTO roles (role_id, name, description, can_refund) VALUES
    (1, 'Administrator',    'Full access to the back office',          1),
    (2, 'Store manager',    'Runs daily operations and approves refunds', 1),
    (3, 'Customer service', 'Answers tickets, edits orders',           1),
    (4, 'Warehouse',        'Receives stock and packs shipments',      0),
    (5, 'Catalogue editor', 'Maintains products and categories',       0);

INSERT INTO employees (employee_id, first_name, last_name, email, hire_date, salary, manager_id, is_active) VALUES
    (1,  'Helena',  'Brandt',   'helena.brandt@ketterly-shop.example',   '2017-03-01', 98000.00, NULL, 1),
    (2,  'Marcus',  'Okafor',   'marcus.okafor@ketterly-shop.example',   '2018-06-15', 72000.00, 1,    1),
    (3,  'Sofia',   'Lindqvist','sofia.lindqvist@ketterly-shop.example', '2018-09-01', 70500.00, 1,    1),
    (4,  'Tomasz',  'Nowak',    'tomasz.nowak@ketterly-shop.example',    '2019-02-11', 41000.00, 2,    1),
    (5,  'Aiko',    'Tanaka',   'aiko.tanaka@ketterly-shop.example',     '2019-11-04', 43500.00, 2,    1),
    (6,  'Luis',    'Ferreira', 'luis.ferreira@ketterly-shop.example',   '2020-04-20', 39800.00, 2,    1),
    (7,  'Greta',   'Vogel',    'greta.vogel@ketterly-shop.example',     '2021-01-07', 38200.00, 3,    1),
    (8,  'Daniel',  'Moreau',   'daniel.moreau@ketterly-shop.example',   '2021-08-16', 40100.00, 3,    0),
    (9,  'Priya',   'Raman',    'priya.raman@ketterly-shop.example',     '2022-05-02', 44700.00, 3,    1),
    (10, 'Jonas',   'Keller',   'jonas.keller@ketterly-shop.example',    '2023-10-09', 36900.00, 7,    1);

INSERT INTO employee_roles (employee_id, role_id, granted_at) VALUES
    (1, 1, '2017-03-01 09:00:00'),
    (2, 2, '2018-06-15 09:00:00'),
    (3, 2, '2018-09-01 09:00:00'),
    (3, 5, '2020-01-10 10:30:00'),
    (4, 4, '2019-02-11 08:00:00'),
    (5, 3, '2019-11-04 09:00:00'),
    (6, 4, '2020-04-20 08:00:00'),
    (6, 3, '2022-03-01 12:00:00'),
    (7, 5, '2021-01-07 09:00:00'),
    (8, 3, '2021-08-16 09:00:00'),
    (9, 3, '2022-05-02 09:00:00'),
    (9, 5, '2023-02-14 11:15:00'),
    (10, 4, '2023-10-09 08:00:00'),
    (2, 3, '2019-01-02 09:00:00');

INSERT INTO categories (category_id, name, slug, parent_id, sort_order) VALUES
    (1,  'Electronics',     'electronics',     NULL, 1),
    (2,  'Home & Kitchen',  'home-kitchen',    NULL, 2),
    (3,  'Books',           'books',           NULL, 3),
    (4,  'Outdoor',         'outdoor',         NULL, 4),
    (5,  'Laptops',         'laptops',         1,    1),
    (6,  'Audio',           'audio',           1,    2),
    (7,  'Phones',          'phones',          1,    3),
    (8,  'Cookware',        'cookware',        2,    1),
    (9,  'Furniture',       'furniture',       2,    2),
    (10, 'Fiction',         'fiction',         3,    1),
    (11, 'Non-fiction',     'non-fiction',     3,    2),
    (12, 'Camping',         'camping',         4,    1);

INSERT INTO suppliers (supplier_id, name, contact_email, phone, country, rating) VALUES
    (1, 'Nordlicht Electronics GmbH', 'orders@nordlicht.example',   '+49 30 5550 1200', 'Germany',     4.6),
    (2, 'Pacific Rim Components',     'sales@pacificrim.example',   '+81 3 5550 8841',  'Japan',       4.2),
    (3, 'Casa Ferro Cucina',          'info@casaferro.example',     '+39 02 555 0193',  'Italy',       4.8),
    (4, 'Oakhouse Furniture Ltd',     'trade@oakhouse.example',     '+44 20 5550 7710', 'United Kingdom', 3.9),
    (5, 'Paper Lantern Distribution', 'books@paperlantern.example', '+31 20 555 4410',  'Netherlands', 4.4),
    (6, 'Trailhead Outfitters',       'b2b@trailhead.example',      '+1 303 555 0142',  'United States', 4.1);

-- A few products carry a tiny placeholder thumbnail (just a PNG signature).
INSERT INTO products (product_id, sku, name, description, category_id, price, weight_kg, thumbnail, is_active, created_at) VALUES
    (1,  'LAP-1401', 'Aero 14 Laptop',            '14" ultrabook, 16 GB RAM, 512 GB SSD', 5,  1149.00, 1.3,  X'89504E470D0A1A0A', 1, '2023-01-10 10:00:00'),
    (2,  'LAP-1602', 'Forge 16 Workstation',      '16" laptop with discrete GPU',         5,  1899.00, 2.2,  NULL, 1, '2023-01-10 10:05:00'),
    (3,  'LAP-1303', 'Pico 13 Chromebook',        'Light laptop for school',              5,   349.00, 1.1,  NULL, 1, '2023-02-01 09:00:00'),
    (4,  'AUD-2001', 'Quietline Headphones',      'Over-ear, active noise cancelling',    6,   229.00, 0.25, X'89504E470D0A1A0A', 1, '2023-02-14 12:00:00'),
    (5,  'AUD-2002', 'Pebble Earbuds',            'True wireless earbuds',                6,    89.90, 0.05, NULL, 1, '2023-02-14 12:10:00'),
    (6,  'AUD-2003', 'Roomfill Speaker',          'Bluetooth speaker, 20 W',              6,   129.00, 0.9,  NULL, 1, '2023-03-03 08:30:00'),
    (7,  'AUD-2004', 'Studio Monitor Pair',       'Powered bookshelf monitors',           6,   349.00, 7.4,  NULL, 0, '2023-03-03 08:45:00'),
    (8,  'PHN-3001', 'Horizon 6 Smartphone',      '6.1" OLED, 128 GB',                    7,   699.00, 0.17, X'89504E470D0A1A0A', 1, '2023-04-01 09:00:00'),
    (9,  'PHN-3002', 'Horizon 6 Max',             '6.7" OLED, 256 GB',                    7,   949.00, 0.21, NULL, 1, '2023-04-01 09:05:00'),
    (10, 'PHN-3003', 'Basic Phone 2',             'Long battery, physical keypad',        7,    59.00, 0.09, NULL, 1, '2023-04-20 14:00:00'),
    (11, 'CKW-4001', 'Cast Iron Skillet 28 cm',   'Pre-seasoned',                         8,    49.95, 3.1,  NULL, 1, '2023-05-02 10:00:00'),
    (12, 'CKW-4002', 'Stainless Saucepan Set',    'Three pans with lids',                 8,   119.00, 4.6,  NULL, 1, '2023-05-02 10:10:00'),
    (13, 'CKW-4003', 'Chef''s Knife 20 cm',       'Forged German steel',                  8,    79.00, 0.3,  NULL, 1, '2023-05-10 11:00:00'),
    (14, 'CKW-4004', 'Enamel Dutch Oven',         '5.2 litre, cherry red',                8,   189.00, 5.4,  X'89504E470D0A1A0A', 1, '2023-05-10 11:20:00'),
    (15, 'CKW-4005', 'Espresso Maker',            'Stovetop, 6 cups',                     8,    34.50, 0.7,  NULL, 1, '2023-06-01 09:00:00'),
    (16, 'FUR-5001', 'Oak Dining Table',          'Seats six, solid oak',                 9,   899.00, 48.0, NULL, 1, '2023-06-12 09:00:00'),
    (17, 'FUR-5002', 'Linen Armchair',            'Deep seat, removable cover',           9,   459.00, 19.5, NULL, 1, '2023-06-12 09:30:00'),
    (18, 'FUR-5003', 'Walnut Bookshelf',          'Five shelves',                         9,   329.00, 27.0, NULL, 1, '2023-06-20 15:00:00'),
    (19, 'FUR-5004', 'Standing Desk Frame',       'Electric, dual motor',                 9,   399.00, 31.0, NULL, 1, '2023-07-01 10:00:00'),
    (20, 'BOK-6001', 'The Glass Orchard',         'Novel, hardcover',                     10,   24.00, 0.6,  NULL, 1, '2023-07-15 08:00:00'),
    (21, 'BOK-6002', 'Salt and Lanterns',         'Novel, paperback',                     10,   12.99, 0.35, NULL, 1, '2023-07-15 08:05:00'),
    (22, 'BOK-6003', 'A Winter in Tromsø',        'Crime novel, paperback',               10,   11.50, 0.32, NULL, 1, '2023-08-01 08:00:00'),
    (23, 'BOK-6004', 'Practical Relational Design','Databases for working developers',    11,   44.00, 0.9,  NULL, 1, '2023-08-01 08:10:00'),
    (24, 'BOK-6005', 'The Bread Notebook',        'Baking at home',                       11,   29.90, 1.0,  NULL, 1, '2023-08-20 09:00:00'),
    (25, 'BOK-6006', 'Maps of Forgotten Rivers',  'Illustrated history',                  11,   36.00, 1.2,  NULL, 1, '2023-09-01 09:00:00'),
    (26, 'CMP-7001', 'Ridgeline 2P Tent',         'Two-person, three-season',             12,  279.00, 2.1,  X'89504E470D0A1A0A', 1, '2023-09-15 10:00:00'),
    (27, 'CMP-7002', 'Down Sleeping Bag -5°C',    '700 fill power',                       12,  249.00, 1.0,  NULL, 1, '2023-09-15 10:10:00'),
    (28, 'CMP-7003', 'Titanium Camp Stove',       'Folding canister stove',               12,   54.00, 0.1,  NULL, 1, '2023-10-01 10:00:00'),
    (29, 'CMP-7004', 'Trekking Poles (pair)',     'Carbon, adjustable',                   12,   89.00, 0.5,  NULL, 1, '2023-10-01 10:15:00'),
    (30, 'CMP-7005', 'Headlamp 400 lm',           'USB-C rechargeable',                   4,    39.00, 0.08, NULL, 1, '2023-10-20 10:00:00');

-- Every product has a preferred supplier matching its department; some have a second one.
WITH pick(product_id, supplier_id, preferred) AS (
    SELECT product_id,
           CASE WHEN category_id IN (5, 6, 7) THEN 1 + (product_id % 2)
                WHEN category_id = 8          THEN 3
                WHEN category_id = 9          THEN 4
                WHEN category_id IN (10, 11)  THEN 5
                ELSE 6 END,
           1
    FROM products
    UNION ALL
    SELECT product_id,
           CASE WHEN category_id IN (5, 6, 7) THEN 2 - (product_id % 2)
                WHEN category_id = 8          THEN 1
                ELSE 3 END,
           0
    FROM products
    WHERE product_id % 5 = 1 OR category_id IN (6, 12)
)
INSERT INTO product_suppliers (product_id, supplier_id, supplier_sku, unit_cost, lead_time_days, is_preferred)
SELECT p.product_id,
       k.supplier_id,
       printf('S%d-%05d', k.supplier_id, p.product_id * 37 + k.supplier_id),
       ROUND(p.price * (0.55 + 0.05 * (k.supplier_id % 3)), 2),
       CASE k.supplier_id WHEN 2 THEN 21 WHEN 6 THEN 14 ELSE 5 + p.product_id % 4 END,
       k.preferred
FROM pick k
JOIN products p ON p.product_id = k.product_id;

INSERT INTO coupons (coupon_id, code, discount_percent, valid_from, valid_until, max_uses) VALUES
    (1, 'WELCOME10',   10.0, '2024-01-01', NULL,         NULL),
    (2, 'SPRING15',    15.0, '2024-03-01', '2024-05-31', 500),
    (3, 'SUMMER20',    20.0, '2024-06-01', '2024-08-31', 300),
    (4, 'BOOKWORM5',    5.0, '2024-01-01', '2024-12-31', NULL),
    (5, 'BLACKFRIDAY', 25.0, '2024-11-25', '2024-12-02', 1000),
    (6, 'LOYAL12',     12.5, '2024-01-01', NULL,         200);

INSERT INTO tax_rates (tax_rate_id, country, category, rate, effective_from) VALUES
    (1, 'Germany',        'standard', 0.19,  '2021-01-01'),
    (2, 'Germany',        'reduced',  0.07,  '2021-01-01'),
    (3, 'Austria',        'standard', 0.20,  '2016-01-01'),
    (4, 'Austria',        'reduced',  0.10,  '2016-01-01'),
    (5, 'France',         'standard', 0.20,  '2014-01-01'),
    (6, 'Netherlands',    'standard', 0.21,  '2012-10-01'),
    (7, 'Netherlands',    'reduced',  0.09,  '2019-01-01'),
    (8, 'Switzerland',    'standard', 0.081, '2024-01-01');

-- ---------------------------------------------------------------------------
-- Data: customers and their activity, generated
-- ---------------------------------------------------------------------------

WITH RECURSIVE
    seq(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM seq WHERE n < 30),
    first_names(i, name) AS (VALUES
        (0, 'Anna'), (1, 'Ben'), (2, 'Clara'), (3, 'David'), (4, 'Elif'), (5, 'Felix'),
        (6, 'Grace'), (7, 'Hugo'), (8, 'Ines'), (9, 'Jakob'), (10, 'Lena'), (11, 'Mateo'),
        (12, 'Nora'), (13, 'Oskar'), (14, 'Paula'), (15, 'Rafael'), (16, 'Selin')),
    last_names(i, name) AS (VALUES
        (0, 'Schmidt'), (1, 'Dubois'), (2, 'Rossi'), (3, 'Jansen'), (4, 'Kowalski'),
        (5, 'Novak'), (6, 'Becker'), (7, 'Yilmaz'), (8, 'Hansen'), (9, 'Costa'), (10, 'Weber'))
INSERT INTO customers (customer_id, first_name, last_name, email, phone, birth_date, marketing_opt_in, created_at)
SELECT n,
       f.name,
       l.name,
       lower(f.name || '.' || l.name) || printf('%02d', n) || '@mail.example',
       CASE WHEN n % 4 = 0 THEN NULL ELSE printf('+49 151 %04d %03d', 1000 + n * 173 % 9000, n * 29 % 1000) END,
       CASE WHEN n % 6 = 0 THEN NULL
            ELSE date('1960-01-01', '+' || (n * 2711 % 15000) || ' days') END,
       n % 3 = 0,
       datetime('2023-01-01 08:00:00', '+' || (n * 11) || ' days', '+' || (n * 37 % 600) || ' minutes')
FROM seq
JOIN first_names f ON f.i = (n * 7) % 17
JOIN last_names  l ON l.i = (n * 4 + n / 6) % 11;

-- One default shipping address per customer (address_id = customer_id),
-- plus a separate billing address for every third customer.
WITH RECURSIVE
    seq(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM seq WHERE n < 40),
    streets(i, name) AS (VALUES
        (0, 'Lindenstraße'), (1, 'Hauptstraße'), (2, 'Gartenweg'), (3, 'Am Markt'),
        (4, 'Bahnhofstraße'), (5, 'Schillerplatz'), (6, 'Rosenweg'), (7, 'Mühlenstraße')),
    cities(i, city, postal, country) AS (VALUES
        (0, 'Berlin',    '10115', 'Germany'), (1, 'Hamburg', '20095', 'Germany'),
        (2, 'München',   '80331', 'Germany'), (3, 'Köln',    '50667', 'Germany'),
        (4, 'Leipzig',   '04109', 'Germany'), (5, 'Wien',    '1010',  'Austria'),
        (6, 'Graz',      '8010',  'Austria'), (7, 'Zürich',  '8001',  'Switzerland'),
        (8, 'Utrecht',   '3511',  'Netherlands'))
INSERT INTO addresses (address_id, customer_id, kind, street, city, postal_code, country, is_default)
SELECT n,
       CASE WHEN n <= 30 THEN n ELSE (n - 30) * 3 END,
       CASE WHEN n <= 30 THEN 'shipping' ELSE 'billing' END,
       s.name || ' ' || (1 + n * 13 % 120),
       c.city,
       c.postal,
       c.country,
       n <= 30
FROM seq
JOIN streets s ON s.i = (n * 5) % 8
JOIN cities  c ON c.i = (CASE WHEN n <= 30 THEN n ELSE (n - 30) * 3 END) % 9;

-- Sixty orders spread over 2024. The last few are still open, every twelfth was cancelled.
WITH RECURSIVE seq(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM seq WHERE n < 60)
INSERT INTO orders (order_id, customer_id, shipping_address_id, coupon_id, handled_by, status, currency, ordered_at, notes)
SELECT n,
       1 + (n * 7) % 30,
       1 + (n * 7) % 30,
       CASE WHEN n % 5 = 0 THEN 1 + (n / 5) % 6 END,
       CASE n % 4 WHEN 1 THEN 5 WHEN 2 THEN 9 WHEN 3 THEN 6 END,
       CASE WHEN n % 12 = 0 THEN 'cancelled'
            WHEN n > 56      THEN 'pending'
            WHEN n > 50      THEN 'paid'
            WHEN n > 44      THEN 'shipped'
            ELSE 'delivered' END,
       CASE WHEN (1 + (n * 7) % 30) % 9 = 7 THEN 'CHF' ELSE 'EUR' END,
       datetime('2024-01-03 09:00:00', '+' || (n * 6) || ' days', '+' || (n * 97 % 720) || ' minutes'),
       CASE n % 9 WHEN 2 THEN 'Please leave at the door' WHEN 5 THEN 'Gift wrap' END
FROM seq;

-- One to three lines per order; the price is copied from the catalogue.
WITH RECURSIVE
    seq(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM seq WHERE n < 60),
    lines(line_no) AS (VALUES (1), (2), (3))
INSERT INTO order_items (order_id, line_no, product_id, quantity, unit_price)
SELECT s.n,
       l.line_no,
       p.product_id,
       CASE WHEN p.price < 60 THEN 1 + (s.n + l.line_no) % 3 ELSE 1 END,
       p.price
FROM seq s
JOIN lines l ON l.line_no <= 1 + (s.n * 5) % 3
JOIN products p ON p.product_id = 1 + (s.n * 7 + l.line_no * 11) % 30;

-- Everything that got past 'pending' and wasn't cancelled has been paid in full.
INSERT INTO payments (order_id, method, amount, paid_at, reference)
SELECT t.order_id,
       CASE t.order_id % 4 WHEN 0 THEN 'paypal' WHEN 1 THEN 'card' WHEN 2 THEN 'card' ELSE 'bank_transfer' END,
       t.total,
       datetime(t.ordered_at, '+' || (5 + t.order_id % 40) || ' minutes'),
       printf('PAY-2024-%06d', 104729 * t.order_id % 1000000)
FROM order_totals t
WHERE t.status IN ('paid', 'shipped', 'delivered')
ORDER BY t.order_id;

WITH carriers(i, name) AS (VALUES (0, 'DHL'), (1, 'DPD'), (2, 'UPS'), (3, 'Hermes'), (4, 'Post AT'))
INSERT INTO shipments (order_id, carrier, tracking_number, weight_kg, shipped_at, delivered_at)
SELECT o.order_id,
       c.name,
       upper(substr(c.name, 1, 3)) || printf('%010d', 7919 * o.order_id * o.order_id % 10000000000),
       (SELECT ROUND(SUM(i.quantity * COALESCE(p.weight_kg, 0.5)) + 0.4, 2)
          FROM order_items i JOIN products p ON p.product_id = i.product_id
         WHERE i.order_id = o.order_id),
       datetime(o.ordered_at, '+' || (1 + o.order_id % 3) || ' days'),
       CASE WHEN o.status = 'delivered'
            THEN datetime(o.ordered_at, '+' || (3 + o.order_id % 5) || ' days', '+' || (o.order_id * 53 % 480) || ' minutes')
       END
FROM orders o
JOIN carriers c ON c.i = o.order_id % 5
WHERE o.status IN ('shipped', 'delivered')
ORDER BY o.order_id;

-- Roughly every other delivered order line gets a review.
WITH titles(r, title, body) AS (VALUES
    (1, 'Disappointed',        'Stopped working after two weeks. Returned it.'),
    (2, 'Not for me',          'Quality is fine but it does not match the photos.'),
    (3, 'Does the job',        'Decent for the price, nothing special.'),
    (4, 'Very good',           'Well made and arrived quickly. Would buy again.'),
    (5, 'Excellent!',          'Exactly what I was looking for. Highly recommended.'))
INSERT INTO reviews (customer_id, product_id, order_id, line_no, rating, title, body, created_at)
SELECT o.customer_id,
       i.product_id,
       i.order_id,
       i.line_no,
       t.r,
       t.title,
       CASE WHEN i.order_id % 3 = 0 THEN NULL ELSE t.body END,
       datetime(s.delivered_at, '+' || (2 + i.order_id % 10) || ' days')
FROM order_items i
JOIN orders o    ON o.order_id = i.order_id
JOIN shipments s ON s.order_id = o.order_id
JOIN titles t    ON t.r = CASE WHEN (i.order_id + i.product_id) % 7 = 0 THEN 1 + i.order_id % 3
                          ELSE 4 + (i.order_id * i.line_no) % 2 END
WHERE o.status = 'delivered' AND (i.order_id + i.line_no) % 2 = 0
ORDER BY i.order_id, i.line_no;

-- Stock history: an opening restock per product from its preferred supplier,
-- followed by a handful of returns and stocktake corrections.
INSERT INTO inventory_movements (product_id, supplier_id, kind, quantity, recorded_by, moved_at, note)
SELECT ps.product_id,
       ps.supplier_id,
       'restock',
       CASE WHEN p.price > 500 THEN 10 WHEN p.price > 100 THEN 25 ELSE 60 END,
       CASE ps.product_id % 3 WHEN 0 THEN 4 WHEN 1 THEN 6 ELSE 10 END,
       datetime('2023-12-01 07:30:00', '+' || ps.product_id || ' hours'),
       'Opening stock'
FROM product_suppliers ps
JOIN products p ON p.product_id = ps.product_id
WHERE ps.is_preferred
ORDER BY ps.product_id;

INSERT INTO inventory_movements (product_id, supplier_id, kind, quantity, recorded_by, moved_at, note) VALUES
    (4,  NULL, 'return',      1, 5,    '2024-02-19 14:12:00', 'Customer return, unopened'),
    (13, NULL, 'correction', -2, 4,    '2024-03-31 18:00:00', 'Quarterly stocktake'),
    (21, NULL, 'correction',  3, 4,    '2024-03-31 18:05:00', 'Quarterly stocktake'),
    (8,  NULL, 'return',      1, 9,    '2024-05-07 10:40:00', 'Screen defect, sent to supplier'),
    (26, 6,    'restock',    15, 10,   '2024-05-20 08:15:00', 'Summer season top-up'),
    (27, 6,    'restock',    10, 10,   '2024-05-20 08:20:00', 'Summer season top-up'),
    (16, NULL, 'correction', -1, 6,    '2024-06-30 17:30:00', 'Damaged in warehouse'),
    (5,  2,    'restock',    40, NULL, '2024-09-02 09:00:00', 'Back-to-school order'),
    (11, 3,    'restock',    30, 6,    '2024-10-14 07:45:00', NULL),
    (29, NULL, 'return',      1, 8,    '2024-11-03 13:05:00', 'Wrong size ordered');

-- Sales: one movement per shipped order line.
INSERT INTO inventory_movements (product_id, supplier_id, kind, quantity, recorded_by, moved_at, note)
SELECT i.product_id, NULL, 'sale', -i.quantity, 4, s.shipped_at, printf('Order %d', i.order_id)
FROM order_items i
JOIN shipments s ON s.order_id = i.order_id
WHERE i.order_id % 4 = 0
ORDER BY s.shipped_at, i.line_no;

COMMIT;
